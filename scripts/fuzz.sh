#!/usr/bin/env bash
# Builds the calibration file fuzzer with clang and runs it.
#   scripts/fuzz.sh [seconds]     default 60
# Inputs it finds go to build-fuzz/fuzz-corpus/ (the seeds stay untouched);
# a crash leaves its input as build-fuzz/crash-* and ends with an error.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
build="$root/build-fuzz"

if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKIVRA_FUZZ=ON -DKIVRA_BUILD_BENCH=OFF > "$build.configure.log" 2>&1 || {
        cat "$build.configure.log"
        exit 1
    }
fi
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target fuzz_calibration_load

mkdir -p "$build/fuzz-corpus"
cd "$build"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
./tests/calibration/fuzz_calibration_load -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -dict="$root/tests/calibration/fuzz/calibration.dict" -print_final_stats=1 \
    fuzz-corpus "$root/tests/calibration/fuzz/corpus"
