#!/usr/bin/env bash
# Starts the DAQ program on the emulated board; "./run.sh cal" the CAL
# program. Further arguments pass through (use=usb/- cfg=file.tolmcal3).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

program=kivratolm-daq-lite-x86
if [ "${1:-}" = cal ]; then
    program=kivratolm-cal-lite-x86
    shift
fi

# Only the two programs and the board emulator: the tests are ./test.sh's.
KIVRA_CONFIGURE_ONLY=1 "$root/scripts/setup.sh" build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j "$(nproc 2>/dev/null || echo 2)" \
    --target kivratolm-daq-lite-x86 kivratolm-cal-lite-x86 kivratolm-board-emulator

# Both programs and the board emulator share build/bin/, as they share bin/
# when installed: the DAQ program starts the CAL program from its own folder.
binary="$root/build/bin/$program"
if [ ! -x "$binary" ]; then
    echo "$program is not part of this build yet." >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display: set DISPLAY (or QT_QPA_PLATFORM=offscreen) to start $program." >&2
    exit 1
fi
exec "$binary" "$@"
