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
for tool in tools/shot/yulecard-shot tools/xmrender/xmrender tools/pack/yulecard-pack bench/budget; do
  [ -x "$build/$tool" ] || { echo "SKIP: $build/$tool not built"; exit 77; }
done

# shellcheck source=/dev/null
source "$(dirname "$0")/web_site.bash"
build_web_site "$build" "$source" "$out" || { echo "0 passed, 1 failed"; exit 1; }

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
while IFS= read -r f; do
  raw=$(stat -c %s "$site/$f"); packed=$(gzip -9c "$site/$f" | wc -c); total=$((total + packed))
  printf '  figure site file %-20s %8d bytes, %8d gzip\n' "$f" "$raw" "$packed"
done < <(cd "$site" && find . -type f -printf '%P\n' | sort)
echo "  figure site total gzip: $total bytes"
check "the site is at most 1.5 MB with gzip" [ "$total" -le 1572864 ]

# The budgets natively and under Node, from the same program and run.
echo "  figure native: $("$build/bench/budget" | tr '\n' ' ')"
echo "  figure wasm under Node: $(node "$web/web/budget.js" | tr '\n' ' ')"

# References for the page: frames of the show, the first seconds of sound,
# and a frame of a card with a greeting of its own (the page gets it by link).
write_references "$build" "$source" "$out/reference" || { echo "FAIL references"; failed=$((failed + 1)); }
# The card as one file that yulecard-pack makes of the greeting, module and
# language the compose page is given: the page's download must be these bytes.
printf 'Frohe Weihnachten!\n\nGod Jul och\nGott Nytt \303\205r' >"$out/reference/packed-greeting.txt"
cp "$source/fuzz/seeds/notes_8bit_loop.xm" "$out/reference/packed-music.xm"
printf 'not a module\n' >"$out/reference/refused-music.xm"
"$build/tools/pack/yulecard-pack" --page "$web/yulecard.html" --greeting "$out/reference/packed-greeting.txt" \
  --music "$out/reference/packed-music.xm" --language pl -o "$out/reference/packed.html" || {
  echo "FAIL yulecard-pack"; failed=$((failed + 1)); }

# Adds the counts a node test printed last ("N passed, N failed") to ours.
count_log() {
  local p f
  p=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1/p' "$1")
  f=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\2/p' "$1")
  [ -n "$p" ] || f=1
  passed=$((passed + ${p:-0})); failed=$((failed + ${f:-1}))
}

echo "== the page's sound player under Node"
node "$source/tests/web/player_worklet_test.js" "$site" | tee "$out/player.log"
count_log "$out/player.log"

echo "== the page in headless Chromium"
NODE_PATH="$playwright" CHROMIUM="$chromium" node "$source/tests/web/web_card_test.js" "$site" \
  "$out/reference" "$out" | tee "$out/page.log"
count_log "$out/page.log"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
