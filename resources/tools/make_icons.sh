#!/usr/bin/env bash
# Remakes every picture under resources/images/icons/ at 1x and 2x:
#   resources/tools/make_icons.sh [BUILD_DIR]      default build
# The Tango pictures named in ICONS.md: NAME.png is the theme's 32 x 32 PNG,
# copied unchanged, NAME@2x.png its scalable picture rendered at 64 x 64.
# Then kivra_draw_icons (built in BUILD_DIR) draws the project's own ones at
# both sizes. The build itself needs none of this: the pictures are committed.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build_dir=${1:-build}
icons="$root/resources/images/icons"
tango=/usr/share/icons/Tango

"$root/scripts/install-packages.sh" tango-icon-theme librsvg2-bin

# The rows of the Tango table: | NAME.png | used for | folder/tango-name.png |
mapfile -t rows < <(sed -n 's/^| *\([a-z0-9-]*\)\.png *|[^|]*| *\([a-z-]*\/[a-z0-9-]*\)\.png *|$/\1 \2/p' \
    "$root/resources/ICONS.md")
[ ${#rows[@]} -gt 0 ] || {
    echo "no Tango rows found in resources/ICONS.md" >&2
    exit 1
}
for row in "${rows[@]}"; do
    read -r name source <<< "$row"
    cp "$tango/32x32/$source.png" "$icons/$name.png"
    rsvg-convert --width 64 --height 64 --keep-aspect-ratio "$tango/scalable/$source.svg" -o "$icons/$name@2x.png"
done
echo "${#rows[@]} Tango pictures at 1x and 2x"

[ -f "$root/$build_dir/CMakeCache.txt" ] || "$root/scripts/setup.sh" "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/$build_dir" --target kivra_draw_icons
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" "$root/$build_dir/resources/kivra_draw_icons" "$icons"
echo "the project's own pictures at 1x and 2x"
