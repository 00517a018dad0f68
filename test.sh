#!/usr/bin/env bash
# Builds and runs every test headless.
#   ./test.sh          plain build in build/
#   ./test.sh --asan   address and undefined-behaviour sanitizers, in build-asan/
#   ./test.sh --tsan   thread sanitizer over the threaded code, in build-tsan/
# Further arguments go to ctest (e.g. -R Capture).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

build_dir=build
cmake_args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
ctest_args=()
case "${1:-}" in
--asan)
    build_dir=build-asan
    cmake_args=(-DCMAKE_BUILD_TYPE=Debug -DKIVRA_SANITIZE=address)
    shift
    ;;
--tsan)
    build_dir=build-tsan
    cmake_args=(-DCMAKE_BUILD_TYPE=Debug -DKIVRA_SANITIZE=thread)
    # Qt is not built with the thread sanitizer: only the tests of the
    # threaded code (emulator, device layer, engine) run there.
    ctest_args=(-L threads)
    shift
    ;;
esac

"$root/scripts/setup.sh" "$build_dir" "${cmake_args[@]}"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/tsan.supp}
cd "$root/$build_dir"
ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" "${ctest_args[@]}" "$@"
