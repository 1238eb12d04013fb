#!/usr/bin/env bash
# yulecard-shot: writes the asked frames, the same on every run, as PNG and
# BMP files that hold the same picture; refuses bad arguments.
set -u
build="$1"
shot="$build/tools/shot/yulecard-shot"
[ -x "$shot" ] || { echo "no $shot"; exit 77; }
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$shot" --frames 400,0 --out "$out/a" >/dev/null || fail "png run"
"$shot" --frames 400 --out "$out/b" >/dev/null || fail "second png run"
"$shot" --frames 400 --out "$out/c" --format bmp >/dev/null || fail "bmp run"
[ -s "$out/a/frame-00000.png" ] || fail "frame 0 missing"
cmp -s "$out/a/frame-00400.png" "$out/b/frame-00400.png" || fail "two runs differ"
[ "$(head -c 8 "$out/a/frame-00400.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "not a PNG"
[ "$(head -c 2 "$out/c/frame-00400.bmp")" = BM ] || fail "not a BMP"
[ "$(stat -c %s "$out/c/frame-00400.bmp")" = 921654 ] || fail "BMP size"
"$shot" --frames 400 --out "$out/d" --clock 1 >/dev/null || fail "run with another clock"
cmp -s "$out/a/frame-00400.png" "$out/d/frame-00400.png" && fail "another clock gives the same snow"

# Both encoders hold the same pixels (needs the imaging module).
if /usr/bin/python3 -c "import PIL" 2>/dev/null; then
  /usr/bin/python3 - "$out/a/frame-00400.png" "$out/c/frame-00400.bmp" <<'PY' || fail "PNG and BMP differ"
import sys
from PIL import Image
a = Image.open(sys.argv[1]); a.load()
b = Image.open(sys.argv[2]).convert("RGB")
assert a.size == (640, 480) and a.mode == "RGB", (a.size, a.mode)
assert a.tobytes() == b.tobytes()
PY
fi

# The card's own greeting and music options. A file of our own words with
# our pauses (2.1, 4.2 and 6.3 s are 100, 200 and 300 frames) is our card,
# frame for frame; the example greeting is written instead of ours from the
# first letter on (frame 330), and the frames before it are the same.
source_dir="${2:-$(dirname "$0")/../..}"
cat >"$out/ours.txt" <<'TXT'
Dear friend,
a merry Christmas to you and yours, from all of us who made this little card!
[pause 2.1]

Have a safe and happy holiday, warm and bright with cheer.
We'll be back with more in the new year!
[pause 4.2]

Thank you to all who stood by us this year with kind words and help. The year ahead looks brighter still.
[pause 4.2]

The yulecard team:
Graphics: the artist
Music: the musician
Code: the coder
[pause 4.2]

Warm greetings to everyone who makes demos, music and pixel art, to all
trackers, coders and painters out there, near and far!
[pause 6.3]

Respect to the craft:
every pixel placed,
every note tracked,
every line of code
made with love.
[pause 4.2]
TXT
"$shot" --frames 329,600,2000 --out "$out/own" --greeting "$out/ours.txt" \
  --music "$source_dir/resources/track.xm" >/dev/null || fail "run with our words as a greeting file"
"$shot" --frames 329,600,2000 --out "$out/ref" >/dev/null || fail "reference run"
for f in 00329 00600 02000; do
  cmp -s "$out/own/frame-$f.png" "$out/ref/frame-$f.png" || fail "our words from a file differ at frame $f"
done
"$shot" --frames 329,600 --out "$out/example" --greeting "$source_dir/docs/greeting-example.txt" >/dev/null \
  || fail "run with the example greeting"
cmp -s "$out/example/frame-00329.png" "$out/ref/frame-00329.png" || fail "the example differs before writing"
cmp -s "$out/example/frame-00600.png" "$out/ref/frame-00600.png" && fail "the example is not written"

# A greeting or module the card cannot take: one line, status 1, no pictures.
printf 'Merry\nChristmas \xf0\x9f\x8e\x84\n' >"$out/tree.txt"
err=$("$shot" --frames 0 --out "$out/bad" --greeting "$out/tree.txt" 2>&1 >/dev/null)
[ $? = 1 ] || fail "accepted a greeting outside the font"
[ "$err" = "yulecard-shot: $out/tree.txt:2:11: U+1F384 is not in the card's font; the card writes Latin, Greek and Cyrillic letters" ] || fail "said '$err'"
err=$("$shot" --frames 0 --out "$out/bad" --music "$out/tree.txt" 2>&1 >/dev/null)
[ $? = 1 ] || fail "accepted a text as a module"
[ "$err" = "yulecard-shot: $out/tree.txt: not an XM file" ] || fail "said '$err'"
[ -e "$out/bad" ] && fail "made the folder for a card it refused"

# Bad arguments are refused with status 2, an unusable folder with 1.
for args in "--frames x --out $out/e" "--frames 1,,2 --out $out/e" "--frames -3 --out $out/e" \
            "--frames 5" "--frames 5 --out $out/e --format gif" "--bogus" \
            "--frames 5 --out $out/e --greeting" "--frames 5 --out $out/e stray"; do
  "$shot" $args >/dev/null 2>&1
  [ $? = 2 ] || fail "accepted: $args"
done
touch "$out/file"
"$shot" --frames 0 --out "$out/file" >/dev/null 2>&1
[ $? = 1 ] || fail "wrote into a plain file"
echo "shot: ok"
