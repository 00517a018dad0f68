#!/usr/bin/env bash
# Builds and runs the tests headless.
#   ./test.sh           the plain gate; with CI=true in the environment, every gate
#   ./test.sh --all     every gate in this order, each timed, then a summary and,
#                       for a failed gate, its failures again (whole output in build-logs/):
#   ./test.sh --plain   plain build in build/, every test
#   ./test.sh --format  the tracked sources against .clang-format
#   ./test.sh --asan    address and undefined-behaviour sanitizers, every test, in build-asan/
#   ./test.sh --tsan    thread sanitizer over the tests of the threaded code (label
#                       "threads": emulator, device layer, engine, network board) and the
#                       DAQ window's capture test, in build-tsan/
#   ./test.sh --fuzz    each fuzz target from its seed corpus for KIVRA_FUZZ_SECONDS
#                       (default 60) seconds, in build-fuzz/
#   ./test.sh --package the Debian package: built in build-pkg/, its files, dependencies,
#                       install and purge in a scratch root, desktop entries, lintian
#   ./test.sh --qt6     the same sources built with Qt 6 (KIVRA_QT6=ON; installs Qt 6's
#                       packages), every test, in build-qt6/
# Further arguments go to ctest (e.g. -R Capture).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

gate=
case "${1:-}" in
--all | --plain | --format | --asan | --tsan | --fuzz | --package | --qt6)
    gate=${1#--}
    shift
    ;;
esac
if [ -z "$gate" ]; then
    case "${CI:-}" in
    true | TRUE | True | 1 | yes) gate=all ;;
    *) gate=plain ;;
    esac
fi

if [ "$gate" = all ]; then
    failed=()
    summary=()
    gate_logs="$root/build-logs"
    mkdir -p "$gate_logs"
    for each in plain format asan tsan fuzz package qt6; do
        echo "=== gate $each"
        start=$SECONDS
        # Each gate in its own process, so that one failure does not hide the
        # results of the others.
        # Its output is also kept, so that what failed can be repeated at the
        # end, where a CI log that shows only its last lines still shows it.
        if "$root/test.sh" "--$each" "$@" 2>&1 | tee "$gate_logs/$each.log"; then
            result=passed
        else
            result=FAILED
            failed+=("$each")
        fi
        summary+=("$(printf '%-7s %-7s %4d s' "$each" "$result" $((SECONDS - start)))")
        echo "=== gate $each $result after $((SECONDS - start)) s"
    done
    printf '%s\n' "${summary[@]}"
    for each in "${failed[@]}"; do
        echo "=== what failed in gate $each (whole output: $gate_logs/$each.log)"
        grep -E -A 25 'FAIL!|ERROR: (Address|Leak)Sanitizer|WARNING: ThreadSanitizer|runtime error:|\*\*\*(Timeout|Exception)|error:' \
            "$gate_logs/$each.log" | head -n 150 || true
        grep -E -A 20 'The following tests FAILED' "$gate_logs/$each.log" || tail -n 20 "$gate_logs/$each.log"
    done
    if [ ${#failed[@]} -gt 0 ]; then
        echo "failed gates: ${failed[*]}"
        exit 1
    fi
    echo "every gate passed in $SECONDS s"
    exit 0
fi

case "$gate" in
format)
    exec "$root/scripts/format-check.sh"
    ;;
fuzz)
    exec "$root/scripts/fuzz.sh" "${KIVRA_FUZZ_SECONDS:-60}"
    ;;
package)
    exec "$root/scripts/check-package.sh" --lint
    ;;
esac

build_dir=build
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
ctest_args=()
case "$gate" in
asan)
    build_dir=build-asan
    cmake_args=(-DCMAKE_BUILD_TYPE=Debug -DKIVRA_SANITIZE=address -DKIVRA_BUILD_BENCH=OFF)
    ;;
tsan)
    build_dir=build-tsan
    # Qt is not built with the thread sanitizer, so it reports races inside
    # Qt's own threads (e.g. the file dialog's): only the tests of the
    # threaded code run there.
    cmake_args=(-DCMAKE_BUILD_TYPE=Debug -DKIVRA_SANITIZE=thread -DKIVRA_BUILD_BENCH=OFF)
    ;;
qt6)
    build_dir=build-qt6
    cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIVRA_QT6=ON)
    ;;
esac

if [ "$gate" != tsan ]; then
    # The desktop hand-over test's virtual X server and accessibility bus.
    mapfile -t desktop_packages < "$root/scripts/desktop-test-packages"
    "$root/scripts/install-packages.sh" "${desktop_packages[@]}"
fi

if [ "$gate" = tsan ]; then
    # The tests of the threaded code and the DAQ window's capture test, which
    # drives a real worker; only their executables are built.
    KIVRA_CONFIGURE_ONLY=1 "$root/scripts/setup.sh" "$build_dir" "${cmake_args[@]}"
    mapfile -t targets < <(
        ctest --test-dir "$root/$build_dir" -N -L threads | sed -n 's/^ *Test *#[0-9]*: //p'
        ctest --test-dir "$root/$build_dir" -N -R '^tst_mainwindow_capture$' | sed -n 's/^ *Test *#[0-9]*: //p'
    )
    if [ ${#targets[@]} -eq 0 ]; then
        echo "no thread sanitizer tests found in $build_dir" >&2
        exit 1
    fi
    cmake --build "$root/$build_dir" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}"
    ctest_args=(-R "^($(IFS='|' && echo "${targets[*]}"))\$")
else
    "$root/scripts/setup.sh" "$build_dir" "${cmake_args[@]}"
fi

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/tsan.supp}
cd "$root/$build_dir"
ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" "${ctest_args[@]}" "$@"
