#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it
# with the committed .clang-format, and names the files.
#   scripts/format-check.sh            check
#   scripts/format-check.sh --fix      reformat the offenders in place
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-packages.sh" clang-format
cd "$root"

mapfile -t files < <(git ls-files '*.cpp' '*.h')
offenders=()
for file in "${files[@]}"; do
    clang-format --dry-run --Werror "$file" > /dev/null 2>&1 || offenders+=("$file")
done
if [ ${#offenders[@]} -eq 0 ]; then
    echo "format: ${#files[@]} files follow .clang-format"
    exit 0
fi
if [ "${1:-}" = --fix ]; then
    clang-format -i "${offenders[@]}"
    printf 'format: reformatted %s\n' "${offenders[@]}"
    exit 0
fi
printf 'format: %s differs from .clang-format\n' "${offenders[@]}"
echo "format: ${#offenders[@]} of ${#files[@]} files; scripts/format-check.sh --fix reformats them"
exit 1
