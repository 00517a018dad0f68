#!/usr/bin/env bash
# Brings the translation sources (translations/*.ts) up to date with the texts
# in the programs' sources and forms: new texts come in unfinished for the
# translator (Qt Linguist), texts gone from the sources are dropped.
#   scripts/update-translations.sh            update the .ts files
#   scripts/update-translations.sh --check    change nothing; fail when an
#       update would leave an unfinished, obsolete or vanished entry
# The command-line capture tool (capture/) stays English and is not scanned.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
lupdate=${LUPDATE:-lupdate}
sources=(shell widgets daq cal)

run_lupdate() {
    # No source locations: they would change with every edit of the code.
    (cd "$root" && "$lupdate" -silent -locations none -extensions cpp,h,ui "$@" "${sources[@]}" -ts "${ts_files[@]}")
}

if [ "${1:-}" = --check ]; then
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    ts_files=()
    for ts in "$root"/translations/*.ts; do
        cp "$ts" "$scratch/"
        ts_files+=("$scratch/$(basename "$ts")")
    done
    run_lupdate
    status=0
    for ts in "${ts_files[@]}"; do
        # One line per entry that needs a translator.
        if grep -n 'type="\(unfinished\|obsolete\|vanished\)"' "$ts" >"$scratch/problems"; then
            echo "$(basename "$ts"): entries that need a translator after lupdate:"
            # The source text is the line before the translation.
            grep -B1 'type="\(unfinished\|obsolete\|vanished\)"' "$ts" | grep '<source>' | sed 's/^ */  /'
            status=1
        fi
    done
    [ "$status" -eq 0 ] && echo "translations complete: ${ts_files[*]##*/}"
    exit "$status"
fi

ts_files=("$root"/translations/*.ts)
run_lupdate -no-obsolete
