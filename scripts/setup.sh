#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, builds Kestrune, then runs it or its tests.
#   scripts/setup.sh run [program arguments...]
#   scripts/setup.sh test [ctest arguments...]
# "test" then builds the whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer
# (clang at -O1, in build-sanitize/, without the fuzz targets, which scripts/fuzz.sh builds in
# build-asan/) and runs it there too.
# Safe to run again: packages already present are not touched and the build is incremental.
set -euo pipefail

mode=${1:-run}
shift || true
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$here/build"

# shellcheck source=install-missing.sh
source "$here/scripts/install-missing.sh"
install_missing g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev fonts-noto-cjk curl clang libfuzzer-14-dev

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_WERROR=$werror >/dev/null
cmake --build "$build" --parallel "$(nproc)"

case "$mode" in
run)
    exec "$build/src/kestrune" "$@"
    ;;
test)
    ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" "$@"
    # -O1 with line tables only: about half the compile time of -O2 -g, and the findings still
    # name file and line. The fuzzers' coverage hooks would slow every test, so they stay out.
    asan="$here/build-sanitize"
    CC=clang CXX=clang++ cmake -S "$here" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Sanitize \
        -DCMAKE_C_FLAGS_SANITIZE="-O1 -g1" -DCMAKE_CXX_FLAGS_SANITIZE="-O1 -g1" \
        -DKESTRUNE_WERROR=$werror -DKESTRUNE_SANITIZE=ON -DKESTRUNE_FUZZ=OFF >/dev/null
    cmake --build "$asan" --parallel "$(nproc)"
    # Qt's own allocations live until exit; only the program's leaks would be noise-free, so
    # leak checking stays off and every other finding fails the test.
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:strict_string_checks=1 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        exec ctest --test-dir "$asan" --output-on-failure --parallel "$(nproc)" "$@"
    ;;
*)
    echo "usage: scripts/setup.sh run|test" >&2
    exit 2
    ;;
esac
