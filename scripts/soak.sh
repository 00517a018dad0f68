#!/usr/bin/env bash
# Soak run: the DAQ window acquires at 250 frames/s from the emulated board
# with a forced capture logging every frame, headless, then checks the log
# and prints the memory and CPU figures (bench/soak/soak_daq.cpp).
#   scripts/soak.sh [seconds]          default 1800
# Builds in build/; the log and the report go to build/soak/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-1800}

[ -f "$root/build/CMakeCache.txt" ] || "$root/scripts/setup.sh" build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j "$(nproc 2>/dev/null || echo 2)" --target soak_daq
out="$root/build/soak"
mkdir -p "$out/home"
# A private settings folder: the run never touches the user's settings.
export HOME="$out/home" XDG_CONFIG_HOME="$out/home/config" XDG_RUNTIME_DIR="$out/home/runtime"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cd "$out"
"$root/build/bench/soak/soak_daq" "$seconds" "$out/soak.csv" 2>&1 | tee "$out/soak-report.txt"
status=${PIPESTATUS[0]}
# The log only served the check.
rm -f "$out/soak.csv"
exit "$status"
