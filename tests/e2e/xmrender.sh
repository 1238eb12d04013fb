#!/usr/bin/env bash
# xmrender: exit statuses and error lines, exact frame counts for --seconds,
# the same bytes to a file and to a pipe, one pass as long as --info says,
# and the same output on every run.
# Usage: xmrender.sh <build dir> <source dir>. Exit 77 = skipped.
set -u
build=${1:?build dir}
source=${2:?source dir}
tool="$build/tools/xmrender/xmrender"
out="$build/test-out/e2e-xmrender"
mkdir -p "$out"
[ -x "$tool" ] || { echo "SKIP: $tool not built"; exit 77; }

module=""
for f in "$source/../shared/xm-corpus/emscripten--bleep.xm" "$source"/../shared/xm-corpus/*.xm \
         "$source"/resources/*.xm; do
  [ -f "$f" ] && { module=$f; break; }
done
[ -n "$module" ] || { echo "SKIP: no XM module to render"; exit 77; }

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
err_starts() { head -c 10 "$out/err" | grep -q '^xmrender: '; }
size_of() { stat -c %s "$1"; }

check "--help exits 0" status 0 "$tool" --help
check "--version exits 0" status 0 "$tool" --version
check "no arguments: usage, 2" status 2 "$tool"
check "  ... says so" err_starts
check "unknown option: 2" status 2 "$tool" "$module" -o "$out/x.wav" --loud
check "bad rate: 2" status 2 "$tool" "$module" -o "$out/x.wav" --rate 5
check "bad seconds: 2" status 2 "$tool" "$module" -o "$out/x.wav" --seconds 1e3
check "missing output: 2" status 2 "$tool" "$module"
check "missing file: 1" status 1 "$tool" "$out/none.xm" -o "$out/x.wav"
check "  ... one xmrender: line" err_starts
check "not an XM file: 1" status 1 "$tool" "$source/CMakeLists.txt" -o "$out/x.wav"
check "  ... says why" grep -q 'not an XM file' "$out/err"
check "  ... leaves no file" test ! -e "$out/x.wav"

# A write that fails into a pipe (its reader gone, SIGPIPE ignored) is an
# error, and the pipe, not being a file the tool made, is left in place.
rm -f "$out/pipe"
if mkfifo "$out/pipe" 2>/dev/null; then
  (timeout 30 head -c 100 "$out/pipe" >/dev/null 2>&1 &)
  check "write failure into a pipe: 1" status 1 bash -c 'trap "" PIPE; exec "$@"' _ \
    "$tool" "$module" -o "$out/pipe" --seconds 60 --quiet
  check "  ... says why" grep -q 'cannot write' "$out/err"
  check "  ... leaves the pipe alone" test -p "$out/pipe"
  rm -f "$out/pipe"
fi

check "0.3 s at 44,100 Hz" status 0 "$tool" "$module" -o "$out/a.wav" --seconds 0.3 --rate 44100
check "  ... is 13,230 frames" test "$(size_of "$out/a.wav")" -eq $((44 + 13230 * 4))
check "  ... with a WAV header for 44,100 Hz" \
  test "$(od -An -tx1 -j0 -N4 "$out/a.wav" | tr -d ' ')$(od -An -tu4 -j24 -N4 "$out/a.wav" | tr -d ' ')" \
  = "5249464644100"
check "  ... no progress line off a terminal" test ! -s "$out/err"

"$tool" "$module" -o - --seconds 0.3 --rate 44100 >"$out/b.wav" 2>/dev/null
check "-o - writes the same bytes" cmp -s "$out/a.wav" "$out/b.wav"

check "one pass renders" status 0 "$tool" "$module" -o "$out/pass1.wav" --quiet
"$tool" "$module" -o "$out/pass2.wav" --quiet
check "  ... the same on every run" cmp -s "$out/pass1.wav" "$out/pass2.wav"
pass=$("$tool" --info "$module" | awk '/^one pass/ {print $3}')
frames=$(( ($(size_of "$out/pass1.wav") - 44) / 4 ))
check "  ... as long as --info says ($pass s)" \
  awk -v f="$frames" -v p="$pass" 'BEGIN { d = f / 44000 - p; exit !(d < 0.01 && d > -0.01 && f > 0) }'

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all xmrender checks passed"
