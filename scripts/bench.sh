#!/usr/bin/env bash
# Builds the benchmarks in build/ and runs each of them with its default
# arguments, headless; the soak run has its own script (scripts/soak.sh).
#   scripts/bench.sh [NAME...]      default: every benchmark
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
benches=("$@")
[ ${#benches[@]} -gt 0 ] || benches=(bench_calibration bench_csvwriter bench_log_open bench_sensor_views bench_mainwindow_tick bench_daq_cpu
    bench_capture bench_network bench_capture_tool)

[ -f "$root/build/CMakeCache.txt" ] || "$root/scripts/setup.sh" build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j "$(nproc 2>/dev/null || echo 2)" --target "${benches[@]}"

export QT_QPA_PLATFORM=offscreen
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# A private settings folder: the benchmarks never touch the user's settings.
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for bench in "${benches[@]}"; do
    program=$(find "$root/build/bench" -type f -name "$bench" -perm -u+x | head -n 1)
    echo "=== $bench"
    "$program"
done
