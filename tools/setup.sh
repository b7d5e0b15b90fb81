#!/usr/bin/env bash
# One-step set-up for a Debian 12 machine: installs the Debian packages that are missing,
# builds Tirn, then either starts it or runs the whole test suite.
#
#   bash tools/setup.sh run [Tirn options]   # e.g. -e for English; builds with Qt 6
#   bash tools/setup.sh test                 # the suite on Qt 6 and Qt 5, and the checks below
#
# run builds the program alone (no tests, no benchmarks) with Qt 6 (TIRN_QT_MAJOR=5 in the
# environment: Qt 5.15 instead) in build/, says where it is, and starts it. The window needs a
# display: without one (no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM) run says so before it
# installs or builds anything and exits 1; batch runs, --help and --version need none
# (bash tools/setup.sh run --version builds the program without starting a window).
# test builds and runs the suite against Qt 6 (build/) and Qt 5 (build-qt5/), the suite again
# with AddressSanitizer and UndefinedBehaviorSanitizer on Qt 5 (build-asan/), compares the batch
# outputs of the two builds byte for byte, builds and checks the Debian package, fuzzes the
# composition parser and the session loader (build-fuzz/, 30 s each), and prints the time of
# each stage. The C++ formatting is checked first.
#
# Run as root (or with sudo available) the first time, so that missing packages can be installed.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

mode="${1:-run}"
[ $# -gt 0 ] && shift

# Checked before anything is installed or built: otherwise a newcomer without a display waits
# for the whole build only to read Qt's "could not connect to display".
if [ "$mode" = run ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] &&
    [ -z "${QT_QPA_PLATFORM:-}" ]; then
    needs_display=1
    for arg in "$@"; do
        case "$arg" in
        --batch | --help | -h | --version) needs_display=0 ;;
        esac
    done
    if [ $needs_display = 1 ]; then
        cat >&2 <<'EOF'
setup: Tirn opens a window, and this session has no display (DISPLAY and WAYLAND_DISPLAY are
unset); nothing was installed or built. Either
  - run this from a terminal of a desktop session, or log in with ssh -X;
  - or name a Qt platform that needs no display, e.g. QT_QPA_PLATFORM=vnc (then connect a VNC
    viewer to port 5900);
  - or build now and start the window later from a desktop session:
      bash tools/setup.sh run --version     # builds, then prints the version
      build/app/Tirn                        # later, with a display
Batch mode needs no display: bash tools/setup.sh run --batch --help
EOF
        exit 1
    fi
fi

build_dir="${TIRN_BUILD_DIR:-$here/build}"
jobs="$(nproc 2>/dev/null || echo 2)"

qt5_packages=(qtbase5-dev qttools5-dev qttools5-dev-tools libqt5svg5-dev)
qt6_packages=(qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools qt6-svg-dev)
packages=(build-essential cmake fonts-ipafont-gothic)
if [ "$mode" = test ]; then
    packages+=("${qt6_packages[@]}" "${qt5_packages[@]}" qttranslations5-l10n qt6-translations-l10n)
    # The fuzzers are built with clang and its libFuzzer runtime.
    packages+=(clang-14 libclang-rt-14-dev)
    # Package building (CPack's DEB generator runs file) and checking, the format check, the
    # batch output comparison and the package check (python3), and the peer libraries that
    # tests compare against. A minimal Debian 12 has none of them.
    packages+=(dpkg-dev file desktop-file-utils appstream clang-format-14 python3)
    packages+=(python3-xraydb python3-xraylib python3-fisx python3-pymca5)
elif [ "${TIRN_QT_MAJOR:-6}" = 5 ]; then
    # Qt's translations: the file dialog and the line edits' menus in Japanese.
    packages+=("${qt5_packages[@]}" qttranslations5-l10n)
else
    packages+=("${qt6_packages[@]}" qt6-translations-l10n)
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
    cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" &&
        cmake --build "$dir" -j "$jobs"
}

suite() {
    (cd "$1" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")
}

sanitized_suite() {
    (export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:halt_on_error=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 && suite "$1")
}

timings=()
stage() { # stage NAME COMMAND...: runs the command and notes how long it took
    local name="$1" t0 status=0
    shift
    echo "==== $name"
    t0=$(date +%s)
    "$@" || status=$?
    timings+=("$(printf '%-32s %5d s' "$name" $(($(date +%s) - t0)))$([ $status = 0 ] || echo "  FAILED ($status)")")
    return $status
}
print_timings() {
    echo "==== timings"
    printf '%s\n' "${timings[@]}"
    echo "total $(($(date +%s) - start)) s"
}

case "$mode" in
run)
    # The program alone: the target Tirn and the libraries it links. The cache is left as
    # configured, so a later test run in the same directory builds the rest on top of it.
    cmake -S "$here" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTIRN_QT_MAJOR="${TIRN_QT_MAJOR:-6}"
    cmake --build "$build_dir" -j "$jobs" --target Tirn
    program="$build_dir/app/Tirn"
    echo "setup: Tirn is built: $program (English: -e, or $build_dir/app/Tirne)"
    echo "setup: starting $program $*"
    exec "$program" "$@"
    ;;
test)
    start=$(date +%s)
    # Also when a stage fails: the timings so far are then the first thing to look at.
    trap print_timings EXIT
    qt5_dir="${TIRN_QT5_BUILD_DIR:-$here/build-qt5}"
    asan_dir="${TIRN_ASAN_BUILD_DIR:-$here/build-asan}"

    # The house style: a file that drifts from .clang-format fails the run before any build.
    stage "format check" bash "$here/tools/check_format.sh"

    stage "Qt 6 build" configure_and_build "$build_dir" -DTIRN_QT_MAJOR=6
    stage "Qt 6 tests" suite "$build_dir"
    stage "Qt 5 build" configure_and_build "$qt5_dir" -DTIRN_QT_MAJOR=5
    stage "Qt 5 tests" suite "$qt5_dir"

    # The same suite once more with AddressSanitizer and UndefinedBehaviorSanitizer, on one Qt
    # only (the code paths are the same; Qt 5 builds faster); any report aborts the test that
    # triggered it. Leak checking stays off: the window and its export dialog live until exit
    # by design, and the font and platform libraries keep caches.
    stage "sanitizer build (Qt 5)" configure_and_build "$asan_dir" -DTIRN_QT_MAJOR=5 \
        -DTIRN_SANITIZE=ON -DTIRN_BUILD_BENCH=OFF
    stage "sanitizer tests (Qt 5)" sanitized_suite "$asan_dir"

    # Same program whichever Qt it runs on: batch mode's text outputs must not differ by a byte.
    stage "Qt 6 / Qt 5 batch outputs" bash "$here/tools/compare_builds.sh" \
        "$build_dir/app/Tirn" "$qt5_dir/app/Tirn"

    # The Debian package of the Qt 6 build, unpacked and checked.
    stage "Debian package" env TIRN_JOBS="$jobs" bash "$here/tools/build_deb.sh" "$build_dir"

    # The composition parser, then the session loader: TIRN_FUZZ_SECONDS each.
    stage "fuzzing" bash "$here/tools/run_fuzz.sh" "${TIRN_FUZZ_SECONDS:-30}"

    ;;
*)
    echo "usage: bash tools/setup.sh run|test [Tirn options]" >&2
    exit 2
    ;;
esac
