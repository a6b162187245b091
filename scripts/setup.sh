#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks, builds Kestrune, then runs it or its tests.
#   scripts/setup.sh run [program arguments...]
#   scripts/setup.sh test [ctest arguments...]
# Safe to run again: packages already present are not touched and the build is incremental.
set -euo pipefail

mode=${1:-run}
shift || true
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$here/build"

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev fonts-noto-cjk curl)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_WERROR=$werror >/dev/null
cmake --build "$build" --parallel "$(nproc)"

case "$mode" in
run)
    exec "$build/src/kestrune" "$@"
    ;;
test)
    exec ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" "$@"
    ;;
*)
    echo "usage: scripts/setup.sh run|test" >&2
    exit 2
    ;;
esac
