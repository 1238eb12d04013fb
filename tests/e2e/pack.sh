#!/usr/bin/env bash
# yulecard-pack: exit statuses and one-line errors, the card written whole
# or not at all, the same bytes to a file and to standard output, and the
# greeting and module inside as the page reads them. It fills a stand-in of
# the empty one-file page, so it runs without the web build; the web card's
# test packs the real page and opens it in the browsers.
# Usage: pack.sh <build dir> <source dir>. Exit 77 = skipped.
set -u
build=${1:?build dir}
source=${2:?source dir}
tool="$build/tools/pack/yulecard-pack"
out="$build/test-out/e2e-pack"
rm -rf "$out"
mkdir -p "$out"
[ -x "$tool" ] || { echo "SKIP: $tool not built"; exit 77; }

failures=0
check() {  # description, then the test command
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
status() {  # expected status, then the command; stderr kept in $out/err
  local want=$1; shift
  "$@" >"$out/stdout" 2>"$out/err"
  [ $? -eq "$want" ]
}
one_line() { [ "$(wc -l <"$out/err")" -eq 1 ] && grep -q "^yulecard-pack: $1" "$out/err"; }
usage_shown() { grep -q '^yulecard-pack: ' "$out/err" && grep -q '^usage: yulecard-pack' "$out/err"; }
nothing_left() { [ -z "$(ls -A "$out/cards")" ]; }

# The empty page, as far as the packer looks at it.
cat >"$out/page.html" <<'HTML'
<!doctype html><html><body>
<div id="card-program" hidden data-bytes="3">AAAA</div>
<div id="card-language" hidden></div>
<div id="card-greeting" hidden></div>
<div id="card-music" hidden></div>
<script>start()</script>
</body></html>
HTML
printf 'Dear friend,\na merry Christmas!\n\n[pause 3]\nGod Jul \342\235\204\n' >"$out/wishes.txt"
printf 'Weihnachtsbaumschmuckes\n' >"$out/long.txt"
printf 'not a module\n' >"$out/bad.xm"
module="$source/resources/track.xm"
mkdir -p "$out/cards"
page=(--page "$out/page.html")

check "--help exits 0 and lists the options" status 0 "$tool" --help
lists_options() { grep -q -- '--greeting' "$out/stdout" && grep -q -- '--music' "$out/stdout" &&
  grep -q -- '--language' "$out/stdout" && grep -q -- '--page' "$out/stdout"; }
check "  ... --greeting, --music, --language, --page" lists_options
check "--version exits 0" status 0 "$tool" --version
check "  ... with the name" grep -q '^yulecard-pack ' "$out/stdout"
check "no arguments: usage, 2" status 2 "$tool"
check "  ... with the usage" usage_shown
check "no -o: usage, 2" status 2 "$tool" --greeting "$out/wishes.txt" "${page[@]}"
check "no --greeting: usage, 2" status 2 "$tool" -o "$out/cards/a.html" "${page[@]}"
check "an unknown option: usage, 2" status 2 "$tool" --greeting "$out/wishes.txt" -o x.html --loud
check "an operand: usage, 2" status 2 "$tool" --greeting "$out/wishes.txt" -o x.html extra
check "a language the pages do not speak: usage, 2" status 2 "$tool" --greeting "$out/wishes.txt" \
  --language pt-BR -o "$out/cards/a.html" "${page[@]}"
check "  ... naming the languages" grep -q "^yulecard-pack: unknown language 'pt-BR' .*cs, de, el, en, es, fr, it, nl, pl, pt, ru, uk" "$out/err"
check "  ... with the usage" usage_shown

check "a greeting that is missing: 1" status 1 "$tool" --greeting "$out/none.txt" -o "$out/cards/a.html" "${page[@]}"
check "  ... one line naming it" one_line ".*none.txt: cannot be read"
check "a greeting the card refuses: 1" status 1 "$tool" --greeting "$out/long.txt" -o "$out/cards/a.html" "${page[@]}"
check "  ... the parser's line" one_line ".*long.txt:1: \"Weihnachtsbaumschmuckes\" is longer than a line"
check "a module the loader refuses: 1" status 1 "$tool" --greeting "$out/wishes.txt" --music "$out/bad.xm" \
  -o "$out/cards/a.html" "${page[@]}"
check "  ... the loader's reason" one_line ".*bad.xm: "
check "a page that is not the empty card: 1" status 1 "$tool" --greeting "$out/wishes.txt" \
  -o "$out/cards/a.html" --page "$out/wishes.txt"
check "  ... says so" one_line ".*wishes.txt: not the card's empty one-file page"
check "no page installed: 1" status 1 "$tool" --greeting "$out/wishes.txt" -o "$out/cards/a.html"
check "  ... says where it looked and how to make it" one_line ".*yulecard.html: cannot be read.*make web"
check "a folder for the card: 1" status 1 "$tool" --greeting "$out/wishes.txt" -o "$out/cards" "${page[@]}"
check "nothing was written by any of these" nothing_left

check "greeting, music and language: 0" status 0 "$tool" --greeting "$out/wishes.txt" --music "$module" \
  --language PL -o "$out/cards/card.html" "${page[@]}"
check "  ... silent" test ! -s "$out/stdout" -a ! -s "$out/err"
check "  ... and only the card is there" [ "$(ls -A "$out/cards")" = card.html ]
check "the same card to standard output" status 0 "$tool" --greeting "$out/wishes.txt" --music "$module" \
  --language pl -o - "${page[@]}"
check "  ... byte for byte" cmp -s "$out/stdout" "$out/cards/card.html"

# The slots hold base64 and its length, and the bytes come back whole.
slot() {  # id -> "LENGTH BASE64"
  sed -n "s/.*<div id=\"$1\" hidden data-bytes=\"\\([0-9]*\\)\">\\([A-Za-z0-9+\\/=]*\\)<\\/div>.*/\\1 \\2/p" \
    "$out/cards/card.html"
}
carries() {  # id, file
  local length text
  read -r length text < <(slot "$1")
  [ "$length" = "$(stat -c %s "$2")" ] && printf '%s' "$text" | base64 -d | cmp -s - "$2"
}
check "the greeting travels as base64 of its bytes" carries card-greeting "$out/wishes.txt"
check "the module travels as base64 of its bytes" carries card-music "$module"
printf pl >"$out/pl.txt"
check "the language travels as its tag, in lower case" carries card-language "$out/pl.txt"
check "the page's own parts are untouched" \
  [ "$(grep -c -e '<script>start()</script>' -e 'id="card-program" hidden data-bytes="3">AAAA' \
      "$out/cards/card.html")" = 2 ]
check "without music or language their slots stay empty" status 0 "$tool" --greeting "$out/wishes.txt" -o - \
  "${page[@]}"
check "  ... as they were" grep -q '<div id="card-music" hidden></div>' "$out/stdout"
check "  ... both" grep -q '<div id="card-language" hidden></div>' "$out/stdout"

[ "$failures" -eq 0 ] && echo "all passed"
[ "$failures" -eq 0 ]
