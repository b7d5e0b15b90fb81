#!/usr/bin/env bash
# Checks that every tracked C++ file is formatted as .clang-format says (clang-format 14, the
# version Debian 12 ships: another version may format differently). Changes nothing; lists
# each file that needs formatting and exits 1 if any does. Outside a git work tree (a source
# tarball, a machine without git) it checks the .cpp and .h files on disk instead, leaving out
# hidden directories and build trees (build*/, out/, any directory holding a CMakeCache.txt).
#
# To format:  clang-format-14 -i $(git ls-files '*.cpp' '*.h')
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
format=${CLANG_FORMAT:-clang-format-14}
command -v "$format" >/dev/null || { echo "check_format: $format is not installed" >&2; exit 2; }

# Only this tree's own repository: a tarball unpacked inside another work tree is no checkout.
if command -v git >/dev/null && [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]; then
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t files < <(find . -mindepth 1 -type d \( -name '.*' -o -path './build*' -o \
        -path ./out -o -exec test -e '{}/CMakeCache.txt' \; \) -prune -o \
        -type f \( -name '*.cpp' -o -name '*.h' \) -print | sed 's|^\./||' | LC_ALL=C sort)
fi
[ ${#files[@]} -gt 0 ] || { echo "check_format: no C++ files" >&2; exit 2; }
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
