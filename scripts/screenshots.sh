#!/usr/bin/env bash
# Takes the README's screenshots as a seller sees the window: under a real window manager
# (openbox on a virtual X display), at 1366x768 and at 1920x1080, with a Chinese locale.
#   scripts/screenshots.sh [out-folder]      (default docs/)
# Installs the virtual display and the window manager when they are missing; not part of CI.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$here/build"
out=${1:-"$here/docs"}

# shellcheck source=install-missing.sh
source "$here/scripts/install-missing.sh"
install_missing xvfb openbox fonts-noto-cjk

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target kestrune-screenshots

mkdir -p "$out"
display=:$((90 + RANDOM % 9))
for size in 1366x768 1920x1080; do
    Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp &
    xvfb=$!
    sleep 1
    DISPLAY=$display openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    status=0
    DISPLAY=$display QT_QPA_PLATFORM=xcb LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 \
        "$build/tests/kestrune-screenshots" "$out" "$size" || status=$?
    kill "$wm" "$xvfb"
    wait "$wm" "$xvfb" 2>/dev/null || true
    [ "$status" -eq 0 ] || exit "$status"
done
