#!/usr/bin/env bash
# Builds the calibration file fuzzer, the network board's request parser
# fuzzer, the capture log reader's fuzzer and the served bench's command
# fuzzer with clang and runs each of them.
#   scripts/fuzz.sh [seconds [libFuzzer options...]]     default 60 seconds
# Inputs they find go to build-fuzz/fuzz-corpus/, build-fuzz/fuzz-corpus-board/,
# build-fuzz/fuzz-corpus-log/ and build-fuzz/fuzz-corpus-serve/
# (the seeds stay untouched);
# a crash leaves its input as build-fuzz/crash-* and the script ends with an
# error after the other targets ran.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift || true
build="$root/build-fuzz"
# libFuzzer's runtime comes with the compiler's run-time libraries.
"$root/scripts/install-packages.sh" clang libclang-rt-dev

# Configured every time: a target added since the last run is then known
# before it is asked for. The compiler is chosen only on the first run.
compilers=()
[ -f "$build/CMakeCache.txt" ] || compilers=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
cmake -S "$root" -B "$build" "${compilers[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKIVRA_FUZZ=ON -DKIVRA_BUILD_BENCH=OFF > "$build.configure.log" 2>&1 || {
    cat "$build.configure.log"
    exit 1
}
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target fuzz_calibration_load fuzz_board_session \
    fuzz_capturelog_read fuzz_serve_command

mkdir -p "$build/fuzz-corpus" "$build/fuzz-corpus-board" "$build/fuzz-corpus-log" "$build/fuzz-corpus-serve"
cd "$build"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Every target runs even when an earlier one found something.
status=0
./tests/calibration/fuzz_calibration_load -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -dict="$root/tests/calibration/fuzz/calibration.dict" -print_final_stats=1 "$@" \
    fuzz-corpus "$root/tests/calibration/fuzz/corpus" || status=1
./tests/emulator/fuzz_board_session -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 \
    -dict="$root/tests/emulator/fuzz/board.dict" -print_final_stats=1 "$@" \
    fuzz-corpus-board "$root/tests/emulator/fuzz/corpus" || status=1
./tests/daq/fuzz_capturelog_read -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 \
    -dict="$root/tests/daq/fuzz/capturelog.dict" -print_final_stats=1 "$@" \
    fuzz-corpus-log "$root/tests/daq/fuzz/corpus" || status=1
# Qt 5's JSON parser leaks on a repeated key (lsan.supp); the suppression
# needs the whole stack, through Qt's code, of each allocation.
ASAN_OPTIONS=$ASAN_OPTIONS:fast_unwind_on_malloc=0 \
    ./tests/capture/fuzz_serve_command -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=256 \
    -dict="$root/tests/capture/fuzz/serve.dict" -print_final_stats=1 "$@" \
    fuzz-corpus-serve "$root/tests/capture/fuzz/corpus" || status=1
exit $status
