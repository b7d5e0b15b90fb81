#!/bin/sh
# Fuzzes the composition parser and then the session loader, each for a bounded time (default
# 30 s each), in their own build directory (build-fuzz, clang + libFuzzer + AddressSanitizer +
# UndefinedBehaviorSanitizer). Exits non-zero on any finding: a crash, a sanitizer report, a
# broken invariant, a timeout or running out of memory. Findings are kept in
# build-fuzz/fuzz-artifacts/<target>-<run time>/.
#
# Usage: tools/run_fuzz.sh [seconds per target] [target...]   (targets: fuzz_parser fuzz_session)
set -eu

seconds=${1:-30}
[ $# -gt 0 ] && shift
targets=${*:-fuzz_parser fuzz_session}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
cxx=${TIRN_FUZZ_CXX:-clang++-14}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
    -DTIRN_FUZZ=ON -DTIRN_BUILD_BENCH=OFF >/dev/null
for target in $targets; do
    cmake --build "$build" -j2 --target "$target"
done

for target in $targets; do
    case "$target" in
    fuzz_parser) seeds="$root/tests/fuzz/corpus" corpus="$build/fuzz-corpus" max_len=4096 ;;
    fuzz_session) seeds="$root/tests/fuzz/corpus-session" corpus="$build/fuzz-corpus-session" max_len=16384 ;;
    *) echo "run_fuzz: no such target: $target" >&2; exit 2 ;;
    esac
    # New inputs go to a working corpus in the build directory; the committed seeds stay as they
    # are.
    artifacts="$build/fuzz-artifacts/$target-$(date +%Y%m%d-%H%M%S)"
    mkdir -p "$corpus" "$artifacts"

    status=0
    "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "$corpus" "$seeds" || status=$?

    if [ "$status" -ne 0 ]; then
        echo "$target: finding (exit status $status), see $artifacts" >&2
        exit "$status"
    fi
    if [ -n "$(ls -A "$artifacts")" ]; then
        echo "$target: artifacts left in $artifacts" >&2
        exit 1
    fi
    echo "$target: no findings in $seconds s"
done
