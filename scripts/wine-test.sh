#!/usr/bin/env bash
# Runs one Windows test program under wine for CTest (scripts/build-windows.sh test) and prints its
# results: a Qt test under wine writes them to a file only, not to a pipe.
set -u
# Wine hands a Windows program no variable whose name starts with QT_ (CTest's QT_QPA_PLATFORM,
# QT_QPA_FONTDIR); it passes WINEQT_X on as QT_X.
while IFS= read -r name; do
    export "WINE$name=${!name}"
done < <(compgen -e | grep '^QT_')
results=$(mktemp --suffix=.txt)
trap 'rm -f "$results"' EXIT
status=0
case "$(basename "$1")" in
tst_*) /usr/lib/wine/wine64 "$@" -o "Z:${results//\//\\},txt" || status=$? ;;
# Any other program (a fuzz target's replay) prints as it goes.
*) /usr/lib/wine/wine64 "$@" || status=$? ;;
esac
cat "$results"
exit "$status"
