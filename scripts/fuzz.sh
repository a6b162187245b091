#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer, in
# build-asan/) and runs one target, or every target in turn, for the given number of seconds.
#   scripts/fuzz.sh TARGET SECONDS     e.g. scripts/fuzz.sh fuzz_csvreader 600
#   scripts/fuzz.sh all SECONDS        every target, SECONDS each
#   scripts/fuzz.sh list
# The corpus grows in build-asan/fuzz-corpus/TARGET (seeded from tests/fixtures and fuzz/seeds);
# a crashing input lands in build-asan/fuzz-artifacts/TARGET and the script ends with status 1.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$here/build-asan"
fixtures="$here/tests/fixtures"
targets=(fuzz_csvreader fuzz_outputcheck fuzz_settingsstore fuzz_outputjournal fuzz_texthelpers fuzz_taobao5reader fuzz_converttaobao fuzz_shopwalks
         fuzz_writtenitems fuzz_parsetaobaoitem fuzz_parsepaipaiitem fuzz_parseebayitem)

seeds_of() {
    case "$1" in
    fuzz_csvreader) find "$fixtures/convert" "$fixtures/expected" -type f \( -name '*.csv' -o -name '*.txt' \) ;;
    fuzz_settingsstore) find "$here/fuzz/seeds/settingsstore" -type f ;;
    fuzz_outputcheck) find "$fixtures/convert" "$fixtures/web/fetch.test/pic" -type f ;;
    fuzz_outputjournal) find "$here/fuzz/seeds/outputjournal" -type f ;;
    fuzz_writtenitems) find "$here/fuzz/seeds/writtenitems" -type f ;;
    fuzz_texthelpers) find "$fixtures/web/fetch.test" "$fixtures/web/dsc.taobaocdn.com" -type f ;;
    fuzz_parsetaobaoitem) find "$fixtures/web/item.taobao.com" -type f ;;
    fuzz_parsepaipaiitem) find "$fixtures/web/auction1.paipai.com" -type f ;;
    fuzz_parseebayitem) find "$fixtures/web/cgi.ebay.com.cn" -type f ;;
    fuzz_taobao5reader | fuzz_converttaobao) find "$fixtures/convert" "$here/fuzz/seeds/taobao5" -type f ;;
    fuzz_shopwalks) find "$here/fuzz/seeds/shopwalks" -type f ;;
    esac
}

usage() {
    echo "usage: scripts/fuzz.sh TARGET|all SECONDS | list" >&2
    exit 2
}

[ "${1:-}" = list ] && { printf '%s\n' "${targets[@]}"; exit 0; }
[ $# -eq 2 ] || usage
[[ "$2" =~ ^[0-9]+$ ]] || usage
if [ "$1" = all ]; then
    chosen=("${targets[@]}")
else
    printf '%s\n' "${targets[@]}" | grep -qx -- "$1" || usage
    chosen=("$1")
fi

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKESTRUNE_SANITIZE=ON -DKESTRUNE_FUZZ=ON >/dev/null
cmake --build "$build" --parallel 2 --target "${chosen[@]}"

status=0
for target in "${chosen[@]}"; do
    corpus="$build/fuzz-corpus/$target"
    artifacts="$build/fuzz-artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    while IFS= read -r seed; do
        cp -n "$seed" "$corpus/seed-$(sha1sum <"$seed" | cut -c1-16)" 2>/dev/null || true
    done < <(seeds_of "$target"; find "$here/fuzz/regressions/$target" -type f 2>/dev/null)
    echo "== $target for $2 s"
    (cd "$artifacts" && "$build/fuzz/$target" -max_total_time="$2" -timeout=20 -rss_limit_mb=4096 \
        -max_len=262144 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus") || status=1
done
exit $status
