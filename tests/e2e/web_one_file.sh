#!/usr/bin/env bash
# The card as one file, opened from disk (file://, no server) in Chromium,
# Firefox and WebKitGTK, one browser start each (tests/web/one_file_test.js):
# a card yulecard-pack made with a greeting that looks like markup, a module
# of the sender's own and the page in Greek shows its words in Greek and the
# frames yulecard-shot writes for them,
# plays the sound xmrender renders, runs no script but its own and reaches no
# network; the same file damaged in six ways opens with one line saying so.
# Usage: web_one_file.sh <build dir> <source dir>. Exit 77 = skipped.
# WEB_ENGINES="firefox webkit" runs only those.
set -u
build=${1:?build dir}
source=${2:?source dir}
out="$build/test-out/e2e-web-one-file"
rm -rf "$out"
mkdir -p "$out/reference"

# shellcheck source=/dev/null
source "$(dirname "$0")/needs.bash"
needs "apt-get install emscripten" emcmake
needs "apt-get install nodejs" node
for tool in tools/shot/yulecard-shot tools/xmrender/xmrender tools/pack/yulecard-pack; do
  [ -x "$build/$tool" ] || { echo "SKIP: $build/$tool not built"; exit 77; }
done
modules="$build/npm/node_modules"

# shellcheck source=/dev/null
source "$(dirname "$0")/engines.bash"
trap stop_engine_services EXIT
trap 'exit 1' INT TERM HUP  # through the EXIT trap: no server outlives the test
# shellcheck source=/dev/null
source "$(dirname "$0")/web_site.bash"
build_web_site "$build" "$source" "$out" || { echo "0 passed, 1 failed"; exit 1; }

# The sender's card: a greeting that would close the page's script and open
# another were it ever read as markup, and a small module of our own.
printf '</script>\n<script>\nalert(1)\n</script>\n' >"$out/greeting.txt"
module="$source/fuzz/seeds/notes_8bit_loop.xm"
if ! { "$build/tools/pack/yulecard-pack" --page "$build/web/yulecard.html" --greeting "$out/greeting.txt" \
         --music "$module" --language el -o "$out/card.html" &&
       "$build/tools/shot/yulecard-shot" --clock 1765000000 --frames 450 --format bmp \
         --greeting "$out/greeting.txt" --music "$module" --out "$out/reference" >/dev/null &&
       "$build/tools/xmrender/xmrender" "$module" -o "$out/reference/music.wav" --seconds 12 -q; }; then
  echo "FAIL the card or its references"; echo "0 passed, 1 failed"; exit 1
fi
echo "  figure the one file: $(stat -c %s "$build/web/yulecard.html") bytes," \
  "$(gzip -9c "$build/web/yulecard.html" | wc -c) gzip; with the greeting and module:" \
  "$(stat -c %s "$out/card.html") bytes, $(gzip -9c "$out/card.html" | wc -c) gzip"

run_in_engines "the card as one file" "$out" "$source/tests/web/one_file_test.js" "$out"
