#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing), then
# configures and builds incrementally.
#   scripts/setup.sh BUILD_DIR [cmake options...]
# With KIVRA_CONFIGURE_ONLY=1 it stops after configuring.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:?build folder}
shift

packages=(cmake make g++ pkg-config qtbase5-dev qtbase5-dev-tools libboost-dev libtinyxml-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing missing packages: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S "$root" -B "$root/$build_dir" "$@" > "$root/$build_dir.configure.log" 2>&1 || {
    cat "$root/$build_dir.configure.log"
    exit 1
}
[ -z "${KIVRA_CONFIGURE_ONLY:-}" ] || exit 0
cmake --build "$root/$build_dir" -j "$jobs"
