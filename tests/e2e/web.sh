#!/usr/bin/env bash
# The web card: builds the site with emscripten, compares the player
# compiled to WebAssembly with the native one under Node, weighs the site,
# puts the budgets side by side, then runs the page in headless Chromium
# (tests/web/web_card_test.js: pictures against yulecard-shot's, sound
# against xmrender's, stalls, Esc, a second opening, a forced sound rate).
# Usage: web.sh <build dir> <source dir>. Exit 77 = skipped.
set -u
build=${1:?build dir}
source=${2:?source dir}
out="$build/test-out/e2e-web"
web="$build/web"
mkdir -p "$out"

command -v emcmake >/dev/null || { echo "SKIP: no emscripten (apt-get install emscripten)"; exit 77; }
chromium=${CHROMIUM:-/usr/bin/chromium}
[ -x "$chromium" ] || { echo "SKIP: no Chromium at $chromium (apt-get install chromium)"; exit 77; }
playwright="$build/npm/node_modules"
[ -d "$playwright/playwright-core" ] || { echo "SKIP: no playwright-core in $playwright (make test installs it)"; exit 77; }
for tool in tools/shot/yulecard-shot tools/xmrender/xmrender bench/budget; do
  [ -x "$build/$tool" ] || { echo "SKIP: $build/$tool not built"; exit 77; }
done

# Debian's node-acorn lives where only Debian's own node looks for it.
export NODE_PATH=/usr/share/nodejs
if ! { emcmake cmake -S "$source" -B "$web" -DCMAKE_BUILD_TYPE=Release >"$out/configure.log" 2>&1 &&
       cmake --build "$web" -j 2 >"$out/build.log" 2>&1; }; then
  echo "FAIL the web build"; tail -20 "$out/configure.log" "$out/build.log"
  echo "0 passed, 1 failed"; exit 1
fi
site="$web/site"

passed=0; failed=0
check() {  # description, then the test command
  local what=$1; shift
  if "$@"; then echo "PASS $what"; passed=$((passed + 1)); else echo "FAIL $what"; failed=$((failed + 1)); fi
}

# The player in WebAssembly against the native one: the card's track and
# three modules of the shared corpus (where it is at hand), byte for byte.
same_render() {  # module, seconds
  local name; name=$(basename "$1" .xm)
  "$build/tools/xmrender/xmrender" "$1" -o "$out/$name.native.wav" --seconds "$2" -q &&
    node "$web/tools/xmrender/xmrender.js" "$1" -o "$out/$name.wasm.wav" --seconds "$2" -q &&
    cmp -s "$out/$name.native.wav" "$out/$name.wasm.wav"
}
check "wasm player renders TRACK as the native one" same_render "$source/resources/track.xm" 60
corpus="$source/../shared/xm-corpus"
if [ -d "$corpus" ]; then
  for m in dodgindiamond2--bgm1.xm flobopuyo--strange_fear.xm njam-data--dali.xm; do
    [ -f "$corpus/$m" ] && check "wasm player renders $m as the native one" same_render "$corpus/$m" 30
  done
else
  echo "note: no $corpus; the corpus comparison is left out"
fi

# What the site weighs as served with gzip (budget: 1.5 MB).
total=0
for f in "$site"/*; do
  raw=$(stat -c %s "$f"); packed=$(gzip -9c "$f" | wc -c); total=$((total + packed))
  printf '  figure site file %-20s %8d bytes, %8d gzip\n' "$(basename "$f")" "$raw" "$packed"
done
echo "  figure site total gzip: $total bytes"
check "the site is at most 1.5 MB with gzip" [ "$total" -le 1572864 ]

# The budgets natively and under Node, from the same program and run.
echo "  figure native: $("$build/bench/budget" | tr '\n' ' ')"
echo "  figure wasm under Node: $(node "$web/web/budget.js" | tr '\n' ' ')"

# References for the page: frames of the show, the first seconds of sound,
# and a frame of a card with a greeting of its own (the page gets it by link).
mkdir -p "$out/reference/own"
printf 'Joyeux No\303\253l \303\240 tous,\nxylophones zing!\n\nGod Jul' >"$out/reference/own/greeting.txt"
"$build/tools/shot/yulecard-shot" --clock 1765000000 --frames 0,190,330,1200 --format bmp \
  --out "$out/reference" >/dev/null &&
  "$build/tools/shot/yulecard-shot" --clock 1765000000 --frames 600 --format bmp \
    --greeting "$out/reference/own/greeting.txt" --out "$out/reference/own" >/dev/null &&
  "$build/tools/xmrender/xmrender" "$source/resources/track.xm" -o "$out/reference/track.wav" --seconds 16 -q ||
  { echo "FAIL references"; failed=$((failed + 1)); }

echo "== the page in headless Chromium"
NODE_PATH="$playwright" CHROMIUM="$chromium" node "$source/tests/web/web_card_test.js" "$site" \
  "$out/reference" "$out" | tee "$out/page.log"
page_passed=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1/p' "$out/page.log")
page_failed=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\2/p' "$out/page.log")
[ -n "$page_passed" ] || page_failed=1
passed=$((passed + ${page_passed:-0})); failed=$((failed + ${page_failed:-1}))
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
