#!/usr/bin/env bash
# Remakes the pictures of docs/USER_GUIDE.md: builds the programs, starts
# them on the emulated board under a virtual X server, once per theme, and
# saves each window into docs/images/.
#   scripts/screenshots.sh [--ratio 2] [BUILD_DIR]       default build-shots
#   scripts/screenshots.sh --qt6 [BUILD_DIR]             default build-qt6-shots
# With --ratio 2 the X server's desktop asks for 200 % (Xft.dpi 192), the
# programs scale as on a high-resolution screen, and the pictures are saved
# beside the others as NAME@2x.png, twice the size.
# With --qt6 the programs are built with Qt 6 and only their two windows in
# the light theme are saved, into docs/images/qt6/.
# Every start gets a private HOME, so the user's settings stay untouched and
# the theme comes from a settings file written here.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ratio=1
qt6=0
if [ "${1:-}" = --qt6 ]; then
    qt6=1
    shift
fi
if [ "${1:-}" = --ratio ]; then
    ratio=${2:?--ratio needs 1 or 2}
    shift 2
fi
case "$ratio" in
1) suffix="" ;;
2) suffix="@2x" ;;
*)
    echo "--ratio takes 1 or 2" >&2
    exit 2
    ;;
esac
build_dir=${1:-build-shots}
images="$root/docs/images"
themes="light dark"
qt_option=-DKIVRA_QT6=OFF
if [ "$qt6" = 1 ]; then
    build_dir=${1:-build-qt6-shots}
    images="$root/docs/images/qt6"
    themes=light
    qt_option=-DKIVRA_QT6=ON
fi
build="$root/$build_dir"
calibration="$root/examples/demo.tolmcal3"

install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
install_missing xvfb xauth x11-xserver-utils imagemagick xdotool fonts-dejavu-core \
    qttools5-dev qttools5-dev-tools qttranslations5-l10n

if [ ! -f "$build/CMakeCache.txt" ]; then
    [ "$qt6" = 0 ] || "$root/scripts/install-packages.sh" qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$qt_option" \
        -DKIVRA_BUILD_TESTS=OFF -DKIVRA_BUILD_BENCH=OFF > "$build.configure.log" 2>&1 || {
        cat "$build.configure.log"
        exit 1
    }
fi
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" \
    --target kivratolm-daq-lite-x86 kivratolm-cal-lite-x86 kivratolm-board-emulator

if [ "$qt6" = 1 ] && ! ldd "$build/bin/kivratolm-daq-lite-x86" | grep -q libQt6Widgets; then
    echo "$build_dir is not a Qt 6 build" >&2
    exit 1
fi

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A screen a little larger than the DAQ window (1200 × 900 at ratio 1),
# which the programs centre; no window manager, so the pictures show no frame.
# The server picks a free display itself and writes its number; a number
# chosen here could belong to another server already. Without -noreset it
# resets whenever its last client leaves, and the next program started in
# that moment cannot connect.
Xvfb -displayfd 3 -screen 0 "$((1280 * ratio))x$((960 * ratio))x24" -nolisten tcp -noreset 3> "$work/display" > "$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || {
    cat "$work/xvfb.log"
    exit 1
}
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
# The desktop's scaling, as desktops set it; the programs follow it.
echo "Xft.dpi: $((96 * ratio))" | xrdb -nocpp -merge -
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export LC_ALL=C.UTF-8 TZ=UTC

# The programs' interface language: empty for English (LC_ALL above), a
# locale name for another (the German pictures).
program_locale=""

# start_program NAME THEME TITLE ARGS... — starts the program with its own
# settings, waits for its window and prints the window id.
start_program() {
    local name=$1 theme=$2 title=$3
    shift 3
    local application="Kivra DAQ lite"
    if [ "$name" = kivratolm-cal-lite-x86 ]; then
        application="Kivra CAL lite"
    fi
    local home="$work/home-$name-$theme-$RANDOM"
    mkdir -p "$home/.config/Orvane GmbH" "$home/runtime"
    chmod 700 "$home/runtime"
    printf '[General]\ntheme=%s\n' "$theme" > "$home/.config/Orvane GmbH/$application.conf"
    # In its home folder, so that a relative log file name lands there.
    local language=(env)
    [ -z "$program_locale" ] || language=(env -u LC_ALL -u LANGUAGE "LANG=$program_locale")
    (cd "$home" && HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/runtime" \
        exec "${language[@]}" "$build/bin/$name" "$@") > "$work/$name.log" 2>&1 &
    program_pid=$!
    program_home=$home
    pids+=("$program_pid")
    local id=""
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
        sleep 0.1
    done
    if [ -z "$id" ]; then
        echo "No window \"$title\" from $name:" >&2
        cat "$work/xvfb.log" >&2
        cat "$work/$name.log" >&2
        exit 1
    fi
    window_id=$id
    # The pictures show no title bar; the titles are quoted in the guide.
    echo "$name $*: $(xdotool getwindowname "$id")" >> "$build/window-titles.txt"
}

stop_program() {
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
}

# shoot WINDOW FILE — the window as PNG, metadata stripped so that the same
# picture gives the same file.
shoot() {
    import -window "$1" -strip "$work/shot.png"
    convert "$work/shot.png" -strip -define png:exclude-chunks=date,time "${2%.png}$suffix.png"
}

# Live values: two pictures a moment apart must differ, or the window is not
# showing frames from the board.
check_moving() {
    local window=$1 label=$2
    import -window "$window" "$work/a.png"
    sleep 0.5
    import -window "$window" "$work/b.png"
    local changed
    changed=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)
    if [ "${changed%%.*}" -eq 0 ] 2>/dev/null; then
        echo "$label shows no moving values" >&2
        exit 1
    fi
}

mkdir -p "$images"
rm -f "$build/window-titles.txt"
for theme in $themes; do
    start_program kivratolm-daq-lite-x86 "$theme" "Kivra Tolm DAQ lite" use=usb/- "cfg=$calibration"
    # The values settle after the first frames; the view then moves steadily.
    sleep 3
    check_moving "$window_id" "DAQ window ($theme)"
    shoot "$window_id" "$images/daq-$theme.png"
    if [ "$theme" = light ] && [ "$qt6" = 0 ]; then
        # The File menu open: a window of its own, so the screen is taken,
        # cut to the window's upper left part.
        xdotool mousemove --window "$window_id" $((20 * ratio)) $((10 * ratio)) click 1
        sleep 1
        eval "$(xdotool getwindowgeometry --shell "$window_id")"
        import -window root -crop "$((560 * ratio))x$((300 * ratio))+$X+$Y" "$work/shot.png"
        convert "$work/shot.png" +repage -strip -define png:exclude-chunks=date,time \
            "$images/daq-file-menu$suffix.png"
        xdotool key Escape
        sleep 0.5
    fi
    # The grid tab: the tabs sit on the left edge of the window.
    xdotool mousemove --window "$window_id" $((25 * ratio)) $((230 * ratio)) click 1
    # With the centre and its trail drawn (the check box under the statistics).
    xdotool mousemove --window "$window_id" $((620 * ratio)) $((323 * ratio)) click 1
    sleep 2.5
    shoot "$window_id" "$images/daq-grid-$theme.png"
    # The trend tab, third on the left edge, after some seconds of frames.
    xdotool mousemove --window "$window_id" $((25 * ratio)) $((310 * ratio)) click 1
    sleep 4
    shoot "$window_id" "$images/daq-trend-$theme.png"
    stop_program

    start_program kivratolm-cal-lite-x86 "$theme" "Kivra Tolm CAL lite" use=usb/- "cfg=$calibration"
    sleep 3
    check_moving "$window_id" "CAL window ($theme)"
    shoot "$window_id" "$images/cal-$theme.png"
    stop_program

    echo "$theme: done"
done
if [ "$qt6" = 1 ]; then
    ls -l "$images"/*.png
    exit 0
fi

# Both windows in German, as under LANG=de_DE.UTF-8.
program_locale=de_DE.UTF-8
start_program kivratolm-daq-lite-x86 light "Kivra Tolm DAQ lite" use=usb/- "cfg=$calibration"
sleep 3
check_moving "$window_id" "German DAQ window"
shoot "$window_id" "$images/daq-german-light.png"
stop_program
start_program kivratolm-cal-lite-x86 light "Kivra Tolm CAL lite" use=usb/- "cfg=$calibration"
sleep 3
shoot "$window_id" "$images/cal-german-light.png"
stop_program
program_locale=""
echo "German: done"

# A capture in progress: log file, a few log columns, the level trigger
# shown, armed and then forced. Positions are those of the 1200 × 900 window,
# in logical pixels.
click() {
    xdotool mousemove --window "$window_id" $(($1 * ratio)) $(($2 * ratio)) click 1
    sleep 0.3
}
start_program kivratolm-daq-lite-x86 light "Kivra Tolm DAQ lite" use=usb/- "cfg=$calibration"
capture_log="$program_home/capture.csv"
sleep 2
click 600 758 # Log File
xdotool type --delay 5 capture.csv
click 1087 686 # Sample Timer: Log
click 1131 407 # Analog In 0: Log
click 374 686  # Counter: Log
click 266 840  # Level Trigger
click 1126 840 # Arm Trigger
click 597 840  # Force Trigger
sleep 2
shoot "$window_id" "$images/daq-capture-light.png"
click 1126 840 # Stop
sleep 0.5
stop_program
if [ ! -s "$capture_log" ]; then
    echo "The capture wrote no log" >&2
    exit 1
fi
# The start of the log, for the user guide's description of the format.
head -n 4 "$capture_log" > "$build/capture-excerpt.csv"

# That log reviewed in the Trend tab, zoomed with two cursors, and replayed in
# the grid, ten frames on.
start_program kivratolm-daq-lite-x86 light "Kivra Tolm DAQ lite" use=usb/- "cfg=$calibration"
sleep 2
click 25 310  # the Trend tab
click 413 112 # Open log ...
sleep 1
xdotool type --delay 5 "$capture_log"
xdotool key Return
sleep 2
# Zoomed in around the trigger by four wheel notches, the second cursor set by
# a click, the first where the pointer rests.
xdotool mousemove --window "$window_id" $((160 * ratio)) $((380 * ratio))
for _ in 1 2 3 4; do xdotool click 4; sleep 0.2; done
click 200 380
xdotool mousemove --window "$window_id" $((360 * ratio)) $((380 * ratio))
sleep 1
shoot "$window_id" "$images/daq-trend-zoom-light.png"
click 650 566 # Replay
for _ in $(seq 10); do xdotool key Right; done
sleep 1
shoot "$window_id" "$images/daq-replay-light.png"
stop_program

# The point dialog of the CAL program over its window: a new calibration
# (8 sensor mode), the diagonal sensors A1..D4 ticked.
start_program kivratolm-cal-lite-x86 light "Kivra Tolm CAL lite" use=usb/-
sleep 2
click 23 635  # A1
click 182 635 # B2
click 339 635 # C3
click 497 635 # D4
click 952 744 # unit
xdotool type --delay 5 N
click 370 744 # Add calibration points
xdotool key ctrl+a
xdotool type --delay 5 "20"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$window_id")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip "$work/shot.png"
convert "$work/shot.png" -strip -define png:exclude-chunks=date,time "$images/cal-add-point-light$suffix.png"
stop_program

# The device selection dialog of a start without use=.
start_program kivratolm-daq-lite-x86 light "Select device to use"
sleep 1
shoot "$window_id" "$images/select-device.png"
stop_program

# A network board served by the board emulator on a free loopback port.
"$build/bin/kivratolm-board-emulator" --listen 127.0.0.1:0 > "$work/server.log" 2>&1 &
server_pid=$!
pids+=("$server_pid")
address=""
for _ in $(seq 50); do
    address=$(sed -n 's/.* listening on \([0-9.]*:[0-9]*\).*/\1/p' "$work/server.log")
    [ -n "$address" ] && break
    sleep 0.1
done
[ -n "$address" ] || {
    cat "$work/server.log"
    exit 1
}
start_program kivratolm-daq-lite-x86 light "Kivra Tolm DAQ lite" "use=net/$address" "cfg=$calibration"
sleep 3
check_moving "$window_id" "DAQ window on the network board"
shoot "$window_id" "$images/daq-network.png"
stop_program
kill "$server_pid"

ls -l "$images"/*"$suffix".png
