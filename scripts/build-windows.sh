#!/usr/bin/env bash
# Cross-builds Kestrune for 64-bit Windows on Debian 12 and packs it, or runs its tests under wine.
#   scripts/build-windows.sh            Qt for Windows (first run only), the program, dist/kestrune-windows-x64.zip
#   scripts/build-windows.sh test [ctest arguments...]
#                                       the same build with the tests, run under wine
#   scripts/build-windows.sh screenshot [out-folder]
#                                       the window under wine on a virtual display, during and after
#                                       a run of a fixture shop: docs/screenshot-*-wine.png
# Qt for Windows is built from Debian's own Qt source package (the Qt the Linux build uses) into
# build-windows/qt and kept, so only the first run takes long. Qt builds at the lowest CPU
# priority, the program at that of the project's other builds: the machine stays usable meanwhile.
set -euo pipefail

mode=${1:-build}
shift || true
case "$mode" in
build | test | screenshot) ;;
*)
    echo "usage: scripts/build-windows.sh [test [ctest arguments...] | screenshot [out-folder]]" >&2
    exit 2
    ;;
esac

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work="$here/build-windows"
qt="$work/qt"
toolchain="$here/cmake/mingw-w64-x86_64.cmake"
jobs=$(($(nproc) < 2 ? $(nproc) : 2))
triple=x86_64-w64-mingw32
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi

say() { printf '== %s\n' "$*" >&2; }

# --- what the machine needs -----------------------------------------------------------------
# shellcheck source=install-missing.sh
source "$here/scripts/install-missing.sh"
install_missing mingw-w64 wine wine64 xvfb xauth openbox dpkg-dev zip cmake ninja-build qt6-base-dev \
    qt6-base-dev-tools qt6-translations-l10n fonts-noto-cjk fonts-dejavu-core python3

# Source packages come from the same mirror as the machine's binary packages: each of its
# "deb" entries gets a "deb-src" twin.
add_source_entries() {
    local list=/etc/apt/sources.list.d/kestrune-deb-src
    local deb822 oneline
    deb822=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk 'BEGIN { RS = ""; ORS = "\n\n" } /(^|\n)Types:[^\n]*(^| )deb( |\n|$)/ {
                 sub(/Types:[^\n]*/, "Types: deb-src"); print }')
    oneline=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p')
    [ -n "$deb822" ] && printf '%s' "$deb822" | $sudo tee "$list.sources" >/dev/null
    [ -n "$oneline" ] && printf '%s\n' "$oneline" | $sudo tee "$list.list" >/dev/null
    $sudo apt-get update -qq
}

# --- Qt for Windows, built once -------------------------------------------------------------
if [ ! -f "$qt/lib/cmake/Qt6/Qt6Config.cmake" ]; then
    src="$work/src"
    mkdir -p "$src"
    if [ ! -d "$src/qtbase" ]; then
        if ! (cd "$src" && apt-get source --download-only qt6-base >/dev/null 2>&1); then
            say "adding deb-src entries for the machine's own mirror"
            add_source_entries
            (cd "$src" && apt-get source --download-only qt6-base >/dev/null)
        fi
        (cd "$src" && dpkg-source -x qt6-base_*.dsc qtbase >/dev/null)
    fi
    say "building Qt for Windows (about an hour on two cores; kept for later runs)"
    # The host's Qt gives moc, rcc and uic. Only what the program uses is built: Core, Gui,
    # Widgets, Network, Test, the windows and offscreen platform plugins and the JPEG plugin (Qt's
    # own libjpeg: the shops' pictures are JPEG). The windows plugin needs OpenGL left at its
    # default (loaded at run time), and Debian's source lacks the tablet header.
    nice -n 19 cmake -S "$src/qtbase" -B "$work/qt-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$qt" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_sql=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
        -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_zstd=OFF -DFEATURE_jpeg=ON \
        -DFEATURE_system_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_openssl=OFF >"$work/qt-configure.log"
    nice -n 19 cmake --build "$work/qt-build" --parallel "$jobs"
    cmake --install "$work/qt-build" >/dev/null
fi
# A Qt for Windows built here before without JPEG gets the plugin alone: turning JPEG on in its
# build would rebuild most of Qt Gui.
if [ ! -f "$qt/plugins/imageformats/qjpeg.dll" ]; then
    say "building Qt's JPEG plugin for the Qt built here before"
    nice -n 19 cmake -S "$here/cmake/qjpeg" -B "$work/qjpeg" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_PREFIX_PATH="$qt" -DCMAKE_INSTALL_PREFIX="$qt" -DQTBASE_SOURCE="$work/src/qtbase" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    nice -n 19 cmake --build "$work/qjpeg" --parallel "$jobs"
    cmake --install "$work/qjpeg" >/dev/null
fi

# --- the program ----------------------------------------------------------------------------
build="$work/kestrune"
testing=ON
[ "$mode" = build ] && testing=OFF
# The program and its tests build at the priority of the project's other builds; ccache keeps
# what was compiled once (the two modes share one build folder).
nice -n 10 cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=$testing \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$here/scripts/wine-test.sh" >/dev/null
case "$mode" in
build) nice -n 10 cmake --build "$build" --parallel "$jobs" --target kestrune ;;
screenshot) nice -n 10 cmake --build "$build" --parallel "$jobs" --target kestrune-screenshots ;;
test) nice -n 10 cmake --build "$build" --parallel "$jobs" ;;
esac

# Where the DLLs that Qt and the program import are found; any other DLL is part of Windows.
gccdir=$(dirname "$($triple-g++-posix -print-libgcc-file-name)")
dll_folders=("$qt/bin" "$gccdir" "/usr/$triple/lib")
find_dll() {
    local folder
    for folder in "${dll_folders[@]}"; do
        [ -f "$folder/$1" ] && echo "$folder/$1" && return 0
    done
    return 1
}
imports() { $triple-objdump -p "$1" | awk '/DLL Name:/ { print $3 }'; }

if [ "$mode" = build ]; then
    dist="$here/dist"
    pack="$dist/kestrune"
    rm -rf "$pack" "$dist/kestrune-windows-x64.zip"
    mkdir -p "$pack/platforms" "$pack/styles" "$pack/tls" "$pack/imageformats" "$pack/translations"
    cp "$build/src/kestrune.exe" "$build/src/kestrune_window.dll" "$pack/"
    cp "$qt/plugins/platforms/qwindows.dll" "$pack/platforms/"
    cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$pack/styles/"
    cp "$qt/plugins/imageformats/qico.dll" "$qt/plugins/imageformats/qjpeg.dll" "$pack/imageformats/"
    cp "$qt/plugins/tls/"*schannel*.dll "$pack/tls/" 2>/dev/null || true
    cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$pack/translations/"
    cp "$here/data/kestrune.png" "$pack/"
    # Plugins and translations beside the executable, wherever the folder is unpacked.
    printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$pack/qt.conf"

    # Every DLL that the executable, its window module or a plugin imports, and what those import
    # in turn.
    queue=("$pack/kestrune.exe" "$pack/kestrune_window.dll" "$pack"/*/*.dll)
    system_dlls=()
    while [ ${#queue[@]} -gt 0 ]; do
        file=${queue[0]}
        queue=("${queue[@]:1}")
        for dll in $(imports "$file"); do
            [ -f "$pack/$dll" ] && continue
            if found=$(find_dll "$dll"); then
                cp "$found" "$pack/"
                queue+=("$pack/$dll")
            else
                system_dlls+=("$dll")
            fi
        done
    done
    # Whatever is still missing must be part of Windows itself.
    for file in "$pack/kestrune.exe" "$pack"/*.dll "$pack"/*/*.dll; do
        for dll in $(imports "$file"); do
            if [ ! -f "$pack/$dll" ] && find_dll "$dll" >/dev/null; then
                echo "missing from the zip: $dll (imported by $(basename "$file"))" >&2
                exit 1
            fi
        done
    done
    (cd "$dist" && zip -qr kestrune-windows-x64.zip kestrune)
    say "DLLs deployed: $(cd "$pack" && ls ./*.dll | sed 's|^\./||' | tr '\n' ' ')"
    say "from Windows: $(printf '%s\n' "${system_dlls[@]}" | sort -fu | tr '\n' ' ')"
    say "$dist/kestrune-windows-x64.zip ($(du -h "$dist/kestrune-windows-x64.zip" | cut -f1))"
    exit 0
fi

# --- under wine ----------------------------------------------------------------------------
export WINEPREFIX="$work/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
winpath() { printf 'Z:%s' "${1//\//\\}"; }
WINEPATH="$(winpath "$qt/bin")"
for folder in "${dll_folders[@]:1}"; do WINEPATH="$WINEPATH;$(winpath "$folder")"; done
export WINEPATH
export QT_PLUGIN_PATH="$(winpath "$qt/plugins")"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    say "making the wine prefix (its first start is slow)"
    /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
fi

if [ "$mode" = screenshot ]; then
    out=${1:-"$here/docs"}
    mkdir -p "$out"
    display=:$((80 + RANDOM % 9))
    Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp &
    xvfb=$!
    sleep 1
    DISPLAY=$display openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    status=0
    # A seller's Windows in Chinese: the windows platform plugin, the Chinese code page.
    # (wine passes a QT_ variable on only under the name WINEQT_).
    DISPLAY=$display WINEQT_QPA_PLATFORM=windows LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 \
        /usr/lib/wine/wine64 "$build/tests/kestrune-screenshots.exe" "$(winpath "$out")" wine || status=$?
    /usr/lib/wine/wineserver -k || true
    kill "$wm" "$xvfb"
    wait "$wm" "$xvfb" 2>/dev/null || true
    exit "$status"
fi

export QT_QPA_PLATFORM=offscreen
# The offscreen platform on Windows reads fonts from one folder; the Linux tests get the same
# DejaVu and Noto CJK from fontconfig.
fonts="$work/fonts"
mkdir -p "$fonts"
ln -sf /usr/share/fonts/truetype/dejavu/DejaVuSans*.ttf /usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc \
    "$fonts/"
QT_QPA_FONTDIR=$(winpath "$fonts")
export QT_QPA_FONTDIR
# Qt's Chinese translations where Qt for Windows looks for them, as they are beside the zip's program.
mkdir -p "$qt/translations"
cp -u /usr/share/qt6/translations/qtbase_zh_CN.qm "$qt/translations/"
# A pseudo-terminal (tst_consoleprogress) means nothing on Windows; it is not built there. The
# fixture web runs inside each test, a Windows program too, on 127.0.0.1.
cd "$build"
status=0
# A program that crashes ends at once and fails its test, instead of waiting on wine's debugger;
# the wine server and the prefix's own programs are up before the first two tests start.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe="
/usr/lib/wine/wineserver -p
/usr/lib/wine/wine64 wineboot >/dev/null 2>&1 || true
# Each test's whole output, so the summary below finds every row that skipped itself.
nice -n 10 ctest --output-on-failure --parallel "$jobs" --output-junit "$build/results.xml" \
    --test-output-size-passed 4000000 --test-output-size-failed 4000000 "$@" || status=$?
/usr/lib/wine/wineserver -k 2>/dev/null || true

# Which test programs passed and failed, and each row that skipped itself, with its reason.
python3 - "$build/results.xml" <<'SUMMARY' || true
import re, sys, xml.etree.ElementTree as tree
passed, failed, skipped = [], [], []
for case in tree.parse(sys.argv[1]).getroot().iter("testcase"):
    name = case.get("name")
    ran = case.get("status") == "run" and case.find("failure") is None
    (passed if ran else failed).append(name)
    out = case.findtext("system-out") or ""
    skipped += [f"{name}: {m.group(1)}: {m.group(2).strip()}"
                for m in re.finditer(r"^SKIP\s*: \S+?::(\S.*?\)|\S+)\s(.*)$", out, re.M)]
print(f"passed ({len(passed)}): {' '.join(sorted(passed))}")
print(f"failed ({len(failed)}): {' '.join(sorted(failed)) or '-'}")
print(f"skipped rows ({len(skipped)}):")
for line in skipped:
    print(f"  {line}")
SUMMARY
exit "$status"
