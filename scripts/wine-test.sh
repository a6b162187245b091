#!/usr/bin/env bash
# Runs one Windows test program under wine for CTest (scripts/build-windows.sh test) and prints its
# results: a Qt test under wine writes them to a file only, not to a pipe.
set -u
results=$(mktemp --suffix=.txt)
trap 'rm -f "$results"' EXIT
status=0
/usr/lib/wine/wine64 "$@" -o "Z:${results//\//\\},txt" || status=$?
cat "$results"
exit "$status"
