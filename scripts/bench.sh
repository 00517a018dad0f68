#!/usr/bin/env bash
# Builds the benchmarks in build/ and runs each of them with its default
# arguments, headless; the soak run has its own script (scripts/soak.sh).
#   scripts/bench.sh [NAME...]             default: every benchmark
#   scripts/bench.sh --qt5-and-qt6 [NAME...]
# The second form builds them also with Qt 6 in build-qt6/ and runs each one
# from both builds in turn, Qt 5 first, so that the two sit side by side.
# Every benchmark runs on a virtual X server at 96 dpi, where the windows get
# the font and layout a desktop gives them: the offscreen platform's default
# font is a third larger (the DAQ window at 1200 x 900 then scrolls and its
# grid shrinks to half, its texts cut), Qt 5 and Qt 6 pick different ones
# there, and without a dpi of its own Xvfb makes Qt 5 lay out at 100 dpi and
# Qt 6 at 96.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
builds=(build)
if [ "${1:-}" = --qt5-and-qt6 ]; then
    builds=(build build-qt6)
    shift
fi
benches=("$@")
[ ${#benches[@]} -gt 0 ] || benches=(bench_calibration bench_csvwriter bench_log_open bench_sensor_views bench_mainwindow_tick bench_daq_cpu
    bench_capture bench_network bench_capture_tool bench_mqtt_fleet)

for build in "${builds[@]}"; do
    if [ ! -f "$root/$build/CMakeCache.txt" ]; then
        qt_option=-DKIVRA_QT6=OFF
        [ "$build" = build ] || qt_option=-DKIVRA_QT6=ON
        KIVRA_CONFIGURE_ONLY=1 "$root/scripts/setup.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$qt_option"
    fi
    cmake --build "$root/$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${benches[@]}"
done

export QT_QPA_PLATFORM=xcb
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# A private settings folder: the benchmarks never touch the user's settings.
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for bench in "${benches[@]}"; do
    for build in "${builds[@]}"; do
        program=$(find "$root/$build/bench" -type f -name "$bench" -perm -u+x | head -n 1)
        if [ ${#builds[@]} -gt 1 ]; then
            qt="Qt 5"
            ! grep -q '^KIVRA_QT6:BOOL=ON$' "$root/$build/CMakeCache.txt" || qt="Qt 6"
            echo "=== $bench, $qt ($build)"
        else
            echo "=== $bench"
        fi
        xvfb-run -a -s "-screen 0 2600x2000x24 -dpi 96" "$program"
    done
done
