#!/usr/bin/env bash
# Builds the Debian package kivra-lite with CPack and prints its path.
#   scripts/package.sh [BUILD_DIR]          default build-pkg
# A release build without tests and benchmarks; installs the Debian packages
# it needs when they are missing.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${1:-build-pkg}

# dpkg-dev: dpkg-shlibdeps computes the dependencies; file: CPack finds the
# binaries to examine with it.
"$root/scripts/install-packages.sh" dpkg-dev file

# Debian's build flags, hardening included, as a package built in the
# archive would get them.
cd "$root"
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
"$root/scripts/setup.sh" "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKIVRA_BUILD_TESTS=OFF -DKIVRA_BUILD_BENCH=OFF \
    "-DCMAKE_C_FLAGS=$(flags CPPFLAGS) $(flags CFLAGS)" \
    "-DCMAKE_CXX_FLAGS=$(flags CPPFLAGS) $(flags CXXFLAGS)" \
    "-DCMAKE_EXE_LINKER_FLAGS=$(flags LDFLAGS)" \
    "-DCMAKE_SHARED_LINKER_FLAGS=$(flags LDFLAGS)"

cd "$root/$build_dir"
rm -f ./*.deb
cpack -G DEB > cpack.log 2>&1 || {
    cat cpack.log
    exit 1
}
ls "$PWD"/*.deb
