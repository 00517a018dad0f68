#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing), then
# configures and builds incrementally.
#   scripts/setup.sh BUILD_DIR [cmake options...]
# With -DKIVRA_QT6=ON among the options it installs and builds with Qt 6.
# With KIVRA_CONFIGURE_ONLY=1 it stops after configuring.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:?build folder}
shift

# Qt 5 unless the Qt 6 build is asked for (-DKIVRA_QT6=ON): only then are
# Qt 6's packages installed.
qt_packages=(qtbase5-dev qtbase5-dev-tools)
for arg in "$@"; do
    case "$arg" in
    -DKIVRA_QT6=ON | -DKIVRA_QT6:BOOL=ON) qt_packages=(qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins) ;;
    -DKIVRA_QT6=* | -DKIVRA_QT6:BOOL=*) qt_packages=(qtbase5-dev qtbase5-dev-tools) ;;
    esac
done

# The X tools: the test that starts both programs on a virtual X server at
# 100 % and 200 % scaling looks at them from outside.
"$root/scripts/install-packages.sh" cmake make g++ pkg-config "${qt_packages[@]}" libboost-dev libtinyxml-dev \
    xvfb x11-xserver-utils x11-utils imagemagick xdotool

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$root" -B "$root/$build_dir" "$@" > "$root/$build_dir.configure.log" 2>&1 || {
    cat "$root/$build_dir.configure.log"
    exit 1
}
[ -z "${KIVRA_CONFIGURE_ONLY:-}" ] || exit 0
cmake --build "$root/$build_dir" -j "$jobs"
