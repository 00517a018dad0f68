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
qt_packages=(qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools qttranslations5-l10n)
for arg in "$@"; do
    case "$arg" in
    -DKIVRA_QT6=ON | -DKIVRA_QT6:BOOL=ON)
        qt_packages=(qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-tools-dev qt6-l10n-tools qt6-translations-l10n)
        ;;
    -DKIVRA_QT6=* | -DKIVRA_QT6:BOOL=*) qt_packages=(qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools qttranslations5-l10n) ;;
    esac
done

# libmosquitto publishes a bench to an MQTT broker; the tests run their own
# mosquitto broker and subscribe with its clients.
# The X tools: the test that starts both programs on a virtual X server at
# 100 % and 200 % scaling looks at them from outside. The Linguist tools
# compile the translations; the toolkit's own German texts, the German locale
# and libfaketime are for the tests of the German interface. python3-markdown
# makes the user guide's HTML that the programs open with F1.
"$root/scripts/install-packages.sh" cmake make g++ pkg-config "${qt_packages[@]}" libboost-dev libtinyxml-dev \
    python3-markdown \
    libmosquitto-dev mosquitto mosquitto-clients openssl \
    xvfb x11-xserver-utils x11-utils imagemagick xdotool locales libfaketime

# The C library formats numbers the German way only when the locale exists;
# the tests prove that the programs' files do not change with it.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
    echo "Generating the locale de_DE.UTF-8"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$root" -B "$root/$build_dir" "$@" > "$root/$build_dir.configure.log" 2>&1 || {
    cat "$root/$build_dir.configure.log"
    exit 1
}
[ -z "${KIVRA_CONFIGURE_ONLY:-}" ] || exit 0
cmake --build "$root/$build_dir" -j "$jobs"
