#!/usr/bin/env bash
# Builds the Debian package and checks it: the files it installs and where,
# its dependencies, that the programs find their device library and start
# from the unpacked tree, that it installs into and uninstalls from a scratch
# dpkg root without leftovers, that the DAQ program hands over to the CAL
# program beside it on a desktop, and the desktop entries, AppStream data and
# lintian (when installed) without errors, and the served bench's systemd
# unit with systemd-analyze verify.
#   scripts/check-package.sh [--lint] [BUILD_DIR]    default build-pkg
# --lint installs lintian, desktop-file-utils and appstream when missing, so
# that those checks always run. Exits non-zero when a check failed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
lint=false
if [ "${1:-}" = --lint ]; then
    lint=true
    shift
fi
build_dir=${1:-build-pkg}

if $lint; then
    "$root/scripts/install-packages.sh" lintian desktop-file-utils appstream
fi

"$root/scripts/package.sh" "$build_dir"
deb=$(ls "$root/$build_dir"/kivra-lite_*.deb)
echo "Package: $deb"
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

dpkg-deb -c "$deb" | awk '{ sub(/^\.\//, "", $6); print $6 }' | grep -v '/$' | sort > "$work/files"
echo "Files:"
sed 's/^/  /' "$work/files"

expected=(
    'usr/bin/kivratolm-daq-lite-x86'
    'usr/bin/kivratolm-cal-lite-x86'
    'usr/bin/kivratolm-capture'
    'usr/bin/kivratolm-board-emulator'
    'usr/lib/(.*/)?kivratolm/libkivratolm-1\.3-x86\.so'
    'usr/share/applications/com\.orvane\.KivraDaqLite\.desktop'
    'usr/share/applications/com\.orvane\.KivraCalLite\.desktop'
    'usr/share/metainfo/com\.orvane\.KivraDaqLite\.metainfo\.xml'
    'usr/share/metainfo/com\.orvane\.KivraCalLite\.metainfo\.xml'
    'usr/share/icons/hicolor/48x48/apps/com\.orvane\.KivraDaqLite\.png'
    'usr/share/icons/hicolor/48x48/apps/com\.orvane\.KivraCalLite\.png'
    'usr/share/icons/hicolor/scalable/apps/com\.orvane\.KivraDaqLite\.svg'
    'usr/share/icons/hicolor/scalable/apps/com\.orvane\.KivraCalLite\.svg'
    'usr/share/man/man1/kivratolm-daq-lite-x86\.1\.gz'
    'usr/share/man/man1/kivratolm-cal-lite-x86\.1\.gz'
    'usr/share/man/man1/kivratolm-capture\.1\.gz'
    'usr/share/man/man1/kivratolm-board-emulator\.1\.gz'
    'usr/share/doc/kivra-lite/copyright'
    'usr/share/doc/kivra-lite/changelog\.Debian\.gz'
    'usr/share/doc/kivra-lite/USER_GUIDE\.md'
    'usr/share/kivra-lite/guide/index\.html'
    'usr/share/kivra-lite/guide/images/daq-light\.png'
    'usr/share/doc/kivra-lite/examples/demo\.tolmcal3'
    'usr/share/doc/kivra-lite/examples/serve\.conf'
    'usr/share/doc/kivra-lite/examples/mosquitto/kivratolm\.conf'
    'usr/share/doc/kivra-lite/examples/mosquitto/kivratolm\.acl'
    'lib/systemd/system/kivratolm-capture-serve@\.service'
)
for pattern in "${expected[@]}"; do
    grep -Eqx "$pattern" "$work/files" || fail "missing $pattern"
done
# Build and test leftovers must stay out: only the paths above and docs.
unexpected=$(grep -Ev '^(usr/(bin|lib|share/(applications|metainfo|icons/hicolor|man/man1|doc/kivra-lite|kivra-lite/guide|lintian/overrides))|lib/systemd/system)/' "$work/files" || true)
[ -z "$unexpected" ] || fail "unexpected files: $unexpected"
grep -Eq '\.(a|h|cmake)$|tst_|bench_' "$work/files" && fail "build or test files in the package"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
echo "$depends" | tr ',|' '\n' | awk '{ print $1 }' > "$work/depends"
# libmosquitto1 comes from the capture tool's link through dpkg-shlibdeps.
for package in libqt5widgets5 libqt5gui5 libqt5core5a libtinyxml2.6.2v5 libmosquitto1 libstdc++6 libc6 qttranslations5-l10n; do
    grep -Fqx "$package" "$work/depends" || fail "Depends lacks $package"
done

# The unpacked tree: no library may be missing without LD_LIBRARY_PATH.
tree="$work/tree"
dpkg-deb -x "$deb" "$tree"
for program in kivratolm-daq-lite-x86 kivratolm-cal-lite-x86 kivratolm-capture kivratolm-board-emulator; do
    binary="$tree/usr/bin/$program"
    missing_libraries=$(env -u LD_LIBRARY_PATH ldd "$binary" | grep 'not found' || true)
    [ -z "$missing_libraries" ] || fail "$program misses libraries: $missing_libraries"
done
# The change log's newest entry names the version being packaged.
version=$(dpkg-deb -f "$deb" Version)
changelog_version=$(zcat "$tree/usr/share/doc/kivra-lite/changelog.Debian.gz" | sed -n '1s/^kivra-lite (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] ||
    fail "packaging/debian/changelog starts with version '$changelog_version', the package is $version"

# Every icon must sit in the folder of its size.
for icon in "$tree"/usr/share/icons/hicolor/*x*/apps/*.png; do
    folder=$(basename "$(dirname "$(dirname "$icon")")")
    size=$(file -b "$icon" | sed -nE 's/.*, ([0-9]+) x ([0-9]+),.*/\1x\2/p')
    [ "$size" = "$folder" ] || fail "${icon#"$tree"/} is $size"
done
for program in kivratolm-daq-lite-x86 kivratolm-cal-lite-x86 kivratolm-capture; do
    # grep reads a variable: with -q in a pipe it may stop ldd early, and
    # pipefail would count that as a failure.
    libraries=$(env -u LD_LIBRARY_PATH ldd "$tree/usr/bin/$program")
    grep -Fq "libkivratolm-1.3-x86.so => $tree/" <<< "$libraries" ||
        fail "$program does not load the packaged device library"
done

# Both programs start headless on the emulated board and keep running; the
# timeout ends them (exit status 124).
mkdir -p "$work/home/runtime" && chmod 700 "$work/home/runtime"
for program in kivratolm-daq-lite-x86 kivratolm-cal-lite-x86; do
    status=0
    env -u LD_LIBRARY_PATH HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
        XDG_RUNTIME_DIR="$work/home/runtime" QT_QPA_PLATFORM=offscreen \
        timeout 3 "$tree/usr/bin/$program" use=usb/- \
        "cfg=$tree/usr/share/doc/kivra-lite/examples/demo.tolmcal3" > "$work/$program.log" 2>&1 || status=$?
    if [ "$status" -ne 124 ]; then
        fail "$program ended with status $status instead of running:"
        cat "$work/$program.log" >&2
    fi
done
status=0
timeout 1 "$tree/usr/bin/kivratolm-board-emulator" --help > /dev/null 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "kivratolm-board-emulator --help ended with status $status"

# The capture tool needs no display: no widget or GUI library, and a short
# forced capture from the emulated board without one.
capture_libraries=$(env -u LD_LIBRARY_PATH ldd "$tree/usr/bin/kivratolm-capture")
if grep -Eq 'libQt5(Widgets|Gui)' <<< "$capture_libraries"; then
    fail "kivratolm-capture links a widget or GUI library"
fi
status=0
capture_list=$(env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$tree/usr/bin/kivratolm-capture" --list 2>&1) ||
    status=$?
[ "$status" -eq 0 ] && grep -q 'KT-EMU-0001' <<< "$capture_list" ||
    fail "kivratolm-capture --list ended with status $status: $capture_list"
status=0
env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$tree/usr/bin/kivratolm-capture" use=usb/- \
    --rate 1000 --pre 5 --samples 20 --log counter -o "$work/capture.csv" > "$work/capture.log" 2>&1 || status=$?
rows=$(tail -n +3 "$work/capture.csv" 2>/dev/null | wc -l)
if [ "$status" -ne 0 ] || [ "$rows" -ne 25 ]; then
    fail "kivratolm-capture ended with status $status and $rows rows instead of 0 and 25:"
    cat "$work/capture.log" >&2
fi

# A plain install into another prefix works the same way: the programs find
# the device library relative to their own folder.
prefix="$work/prefix"
cmake --install "$root/$build_dir" --prefix "$prefix" > /dev/null
for program in kivratolm-daq-lite-x86 kivratolm-cal-lite-x86; do
    libraries=$(env -u LD_LIBRARY_PATH ldd "$prefix/bin/$program")
    grep -Fq "libkivratolm-1.3-x86.so => $prefix/" <<< "$libraries" ||
        fail "$program installed into $prefix does not load the device library installed beside it"
    status=0
    env -u LD_LIBRARY_PATH HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
        XDG_RUNTIME_DIR="$work/home/runtime" QT_QPA_PLATFORM=offscreen \
        timeout 3 "$prefix/bin/$program" use=usb/- > "$work/$program.log" 2>&1 || status=$?
    [ "$status" -eq 124 ] || fail "$program from $prefix ended with status $status instead of running"
done

# The hand-over on a desktop with the packaged and the installed programs:
# the DAQ program, worked from outside under a virtual X server, starts the CAL
# program beside it and acquires again when it ends. The test is built in the
# plain build folder; the programs it starts are those given here.
mapfile -t desktop_packages < "$root/scripts/desktop-test-packages"
"$root/scripts/install-packages.sh" "${desktop_packages[@]}"
KIVRA_CONFIGURE_ONLY=1 "$root/scripts/setup.sh" build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j "$(nproc 2>/dev/null || echo 2)" --target tst_desktop_handover > "$work/handover-build.log" 2>&1 || {
    cat "$work/handover-build.log" >&2
    fail "the desktop hand-over test does not build"
}
for programs in "$tree/usr/bin" "$prefix/bin"; do
    status=0
    env -u LD_LIBRARY_PATH KIVRA_PROGRAM_DIR="$programs" \
        "$root/build/tests/integration/tst_desktop_handover" > "$work/handover.log" 2>&1 || status=$?
    if [ "$status" -ne 0 ] || grep -q '^SKIP' "$work/handover.log"; then
        fail "the hand-over from $programs/kivratolm-daq-lite-x86 to the CAL program beside it:"
        cat "$work/handover.log" >&2
    else
        echo "Hand-over to the CAL program on a desktop: passed with $programs"
    fi
done

# The served bench's unit: systemd-analyze verify on an instance, in a root
# with the host's units (for the targets it names) and the packaged program
# its ExecStart runs. Warnings about the unit fail too. No maintainer script
# may enable it.
"$root/scripts/install-packages.sh" systemd
unit_root="$work/unit-root"
mkdir -p "$unit_root/usr/lib/systemd" "$unit_root/usr/bin"
ln -s usr/lib "$unit_root/lib"
cp -a /usr/lib/systemd/system "$unit_root/usr/lib/systemd/"
cp "$tree/lib/systemd/system/kivratolm-capture-serve@.service" "$unit_root/usr/lib/systemd/system/"
cp "$tree/usr/bin/kivratolm-capture" "$unit_root/usr/bin/"
instance="kivratolm-capture-serve@$(systemd-escape 'usb/-').service"
status=0
verify=$(systemd-analyze verify --man=no --root="$unit_root" "$instance" 2>&1) || status=$?
if [ "$status" -ne 0 ] && grep -Eq 'Failed to (initialize|connect|allocate manager)|System has not been booted' <<< "$verify"; then
    echo "systemd-analyze verify cannot run here: skipped ($verify)"
elif [ "$status" -ne 0 ] || [ -n "$verify" ]; then
    fail "systemd-analyze verify $instance (status $status): $verify"
else
    echo "systemd-analyze verify $instance: passed"
fi
dpkg-deb -e "$deb" "$work/control"
if grep -rqs 'systemctl\|deb-systemd' "$work/control"; then
    fail "a maintainer script enables or starts a unit"
fi

# Install into and remove from a scratch dpkg root; the dependencies are
# not in that root, so they are not checked here (Depends above).
scratch="$work/root"
mkdir -p "$scratch/var/lib/dpkg/info" "$scratch/var/lib/dpkg/updates"
touch "$scratch/var/lib/dpkg/status" "$scratch/var/lib/dpkg/available"
dpkg_scratch=(dpkg --root="$scratch" --force-not-root --force-depends --force-script-chrootless --log=/dev/null)
if "${dpkg_scratch[@]}" -i "$deb" > "$work/dpkg.log" 2>&1; then
    (cd "$scratch" && find usr lib -type f | sort) > "$work/installed"
    diff -u "$work/files" "$work/installed" > "$work/installed.diff" || {
        fail "installed files differ from the package's list:"
        cat "$work/installed.diff" >&2
    }
    if "${dpkg_scratch[@]}" --purge kivra-lite >> "$work/dpkg.log" 2>&1; then
        left=$(find "$scratch/usr" "$scratch/lib" -type f 2>/dev/null || true)
        [ -z "$left" ] || fail "files left after removal: $left"
        echo "Scratch root: installed $(wc -l < "$work/installed") files, purged without leftovers"
    else
        fail "removal failed:"
        cat "$work/dpkg.log" >&2
    fi
else
    fail "installation into a scratch root failed:"
    cat "$work/dpkg.log" >&2
fi

if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$tree"/usr/share/applications/*.desktop || fail "desktop entries"
fi
if command -v appstreamcli > /dev/null; then
    appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml || fail "AppStream data"
fi
if command -v lintian > /dev/null; then
    lintian --fail-on error "$deb" ||
        fail "lintian reports errors"
else
    echo "lintian is not installed: skipped"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "Package checks passed: $deb"
