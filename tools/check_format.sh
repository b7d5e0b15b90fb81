#!/usr/bin/env bash
# Checks that every tracked C++ file is formatted as .clang-format says (clang-format 14, the
# version Debian 12 ships: another version may format differently). Changes nothing; lists
# each file that needs formatting and exits 1 if any does.
#
# To format:  clang-format-14 -i $(git ls-files '*.cpp' '*.h')
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
format=${CLANG_FORMAT:-clang-format-14}
command -v "$format" >/dev/null || { echo "check_format: $format is not installed" >&2; exit 2; }

mapfile -t files < <(git ls-files '*.cpp' '*.h')
[ ${#files[@]} -gt 0 ] || { echo "check_format: no tracked C++ files" >&2; exit 2; }
bad=()
for f in "${files[@]}"; do
    [ -e "$f" ] || continue # deleted in the working tree, not yet committed
    "$format" --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
    printf 'check_format: not formatted: %s\n' "${bad[@]}" >&2
    echo "check_format: ${#bad[@]} of ${#files[@]} files need: $format -i <file>..." >&2
    exit 1
fi
echo "check_format: ${#files[@]} files formatted"
