#!/usr/bin/env bash
# One-step set-up for a Debian 12 machine: installs the Debian packages that are missing,
# builds Tirn, then either starts it or runs the whole test suite.
#
#   bash tools/setup.sh run [Tirn options]   # e.g. -e for English
#   bash tools/setup.sh test
#
# Run as root (or with sudo available) the first time, so that missing packages can be installed.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

mode="${1:-run}"
[ $# -gt 0 ] && shift

build_dir="${TIRN_BUILD_DIR:-$here/build}"
jobs="$(nproc 2>/dev/null || echo 2)"

packages=(build-essential cmake qtbase5-dev qttools5-dev qttools5-dev-tools fonts-ipafont-gothic)
if [ "$mode" = test ]; then
    # The parser fuzzer is built with clang and its libFuzzer runtime.
    packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing missing Debian packages: ${missing[*]}"
    if [ "$(id -u)" -eq 0 ]; then
        apt_get=(apt-get)
    elif command -v sudo >/dev/null; then
        apt_get=(sudo apt-get)
    else
        echo "error: packages ${missing[*]} are missing and this user cannot install them" >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${apt_get[@]}" update -q
    "${apt_get[@]}" install -y -q --no-install-recommends "${missing[@]}"
fi

configure_and_build() {
    local dir="$1"; shift
    cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j "$jobs"
}

case "$mode" in
run)
    configure_and_build "$build_dir"
    exec "$build_dir/app/Tirn" "$@"
    ;;
test)
    start=$(date +%s)
    configure_and_build "$build_dir"
    (cd "$build_dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")
    normal_done=$(date +%s)

    # The same suite once more with AddressSanitizer and UndefinedBehaviorSanitizer; any report
    # aborts the test that triggered it. Leak checking stays off: the window and its export
    # dialog live until exit by design, and the font and platform libraries keep caches.
    asan_dir="${TIRN_ASAN_BUILD_DIR:-$here/build-asan}"
    configure_and_build "$asan_dir" -DTIRN_SANITIZE=ON -DTIRN_BUILD_BENCH=OFF
    (cd "$asan_dir" && QT_QPA_PLATFORM=offscreen \
        ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:halt_on_error=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --output-on-failure -j "$jobs")
    asan_done=$(date +%s)

    bash "$here/tools/run_fuzz.sh" "${TIRN_FUZZ_SECONDS:-30}"
    end=$(date +%s)
    echo "Timing: normal build+tests $((normal_done - start)) s," \
        "sanitizer build+tests $((asan_done - normal_done)) s, fuzzing $((end - asan_done)) s," \
        "total $((end - start)) s"
    ;;
*)
    echo "usage: bash tools/setup.sh run|test [Tirn options]" >&2
    exit 2
    ;;
esac
