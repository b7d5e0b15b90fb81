#!/bin/sh
# Fuzzes the composition parser for a bounded time (default 30 s) in its own build directory
# (build-fuzz, clang + libFuzzer + AddressSanitizer + UndefinedBehaviorSanitizer).
# Exits non-zero on any finding: a crash, a sanitizer report, a broken invariant, a timeout or
# running out of memory. Findings are kept in build-fuzz/fuzz-artifacts/<run time>/.
#
# Usage: tools/run_fuzz.sh [seconds]
set -eu

seconds=${1:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
cxx=${TIRN_FUZZ_CXX:-clang++-14}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
    -DTIRN_FUZZ=ON -DTIRN_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_parser

# New inputs go to a working corpus in the build directory; the committed seeds stay as they are.
corpus="$build/fuzz-corpus"
artifacts="$build/fuzz-artifacts/$(date +%Y%m%d-%H%M%S)"
mkdir -p "$corpus" "$artifacts"

status=0
"$build/tests/fuzz/fuzz_parser" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$corpus" "$root/tests/fuzz/corpus" || status=$?

if [ "$status" -ne 0 ]; then
    echo "fuzz_parser: finding (exit status $status), see $artifacts" >&2
    exit "$status"
fi
if [ -n "$(ls -A "$artifacts")" ]; then
    echo "fuzz_parser: artifacts left in $artifacts" >&2
    exit 1
fi
echo "fuzz_parser: no findings in $seconds s"
