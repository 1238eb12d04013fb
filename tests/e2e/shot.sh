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

# Bad arguments are refused with status 2, an unusable folder with 1.
for args in "--frames x --out $out/e" "--frames 1,,2 --out $out/e" "--frames -3 --out $out/e" \
            "--frames 5" "--frames 5 --out $out/e --format gif" "--bogus"; do
  "$shot" $args >/dev/null 2>&1
  [ $? = 2 ] || fail "accepted: $args"
done
touch "$out/file"
"$shot" --frames 0 --out "$out/file" >/dev/null 2>&1
[ $? = 1 ] || fail "wrote into a plain file"
echo "shot: ok"
