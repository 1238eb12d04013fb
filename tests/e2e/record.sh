#!/usr/bin/env bash
# yulecard-record as a person meets it: usage and its exit statuses, a short
# recording in each format, progress only on a terminal, one line for an
# error, and no file (not even a temporary one) after an error, Ctrl-C or a
# kill. What the recordings hold is checked by tests_record.
# Usage: record.sh <build dir> <source dir>. Exit 77 = skipped.
set -u
build=${1:?build dir}
tool="$build/tools/record/yulecard-record"
out="$build/test-out/e2e-record"
rm -rf "$out"
mkdir -p "$out"
[ -x "$tool" ] || { echo "SKIP: $tool not built (no FFmpeg libraries)"; exit 77; }

failures=0
check() {  # description, then the test command
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
status() {  # expected status, then the command; output kept in $out/stdout and $out/err
  local want=$1; shift
  "$@" >"$out/stdout" 2>"$out/err"
  [ $? -eq "$want" ]
}
one_line() {  # the error is one line from the program
  [ "$(wc -l <"$out/err")" -eq 1 ] && grep -q '^yulecard-record: ' "$out/err"
}
empty() { [ -z "$(ls -A "$1")" ]; }
short=(--seconds 1 --size 640x480 --fast)

check "help"            status 0 "$tool" --help
check "help says -o"    grep -q -- '--output FILE' "$out/stdout"
check "version"         status 0 "$tool" --version
check "version text"    grep -q '^yulecard-record [0-9]' "$out/stdout"

mkdir -p "$out/usage"
check "unknown extension: 2"  status 2 "$tool" -o "$out/usage/card.avi" "${short[@]}"
check "  says what to use"    grep -q 'must end in .mp4 or .webm' "$out/err"
check "GIF refused: 2"        status 2 "$tool" -o "$out/usage/card.gif" "${short[@]}"
check "no output: 2"          status 2 "$tool" "${short[@]}"
check "bad size: 2"           status 2 "$tool" -o "$out/usage/card.mp4" --size 800x600
check "  nothing written"     empty "$out/usage"

mkdir -p "$out/ok"
check "mp4"                 status 0 "$tool" -o "$out/ok/card.mp4" "${short[@]}"
check "  silent off a terminal" test ! -s "$out/err"
check "  an MP4 file"       test "$(head -c 8 "$out/ok/card.mp4" | tail -c 4)" = ftyp
check "webm"                status 0 "$tool" -o "$out/ok/card.webm" "${short[@]}"
check "  a WebM file"       test "$(head -c 4 "$out/ok/card.webm" | od -An -tx1 | tr -d ' \n')" = 1a45dfa3
check "  only the videos"   test "$(ls -A "$out/ok" | tr '\n' ' ')" = "card.mp4 card.webm "

# On a terminal (script gives the tool one): a progress line, unless --quiet.
if command -v script >/dev/null; then
  mkdir -p "$out/tty"
  script -qec "'$tool' -o '$out/tty/a.mp4' ${short[*]}" /dev/null >"$out/tty-out" 2>&1
  check "progress on a terminal" grep -q '48/48 frames 100%' "$out/tty-out"
  script -qec "'$tool' -o '$out/tty/b.mp4' ${short[*]} --quiet" /dev/null >"$out/tty-out" 2>&1
  check "--quiet on a terminal"  test ! -s "$out/tty-out"
fi

mkdir -p "$out/fail"
touch "$out/fail/plain"
check "folder is a file: 1"  status 1 "$tool" -o "$out/fail/plain/card.mp4" "${short[@]}"
check "  one line"           one_line
check "no such folder: 1"    status 1 "$tool" -o "$out/fail/none/card.mp4" "${short[@]}"
check "  one line"           one_line
if [ "$(id -u)" != 0 ]; then  # permissions do not bind root
  mkdir -p "$out/fail/locked" && chmod 555 "$out/fail/locked"
  check "unwritable folder: 1" status 1 "$tool" -o "$out/fail/locked/card.mp4" "${short[@]}"
  check "  one line"           one_line
  check "  nothing written"    empty "$out/fail/locked"
  chmod 755 "$out/fail/locked" && rmdir "$out/fail/locked"
fi
check "  nothing written"    test "$(ls -A "$out/fail")" = plain

# The sender's files are checked before anything is written: a greeting the
# card cannot write, a module the loader refuses.
mkdir -p "$out/content"
printf 'Merry Christmas\nFrohe Feste! \xf0\x9f\x8e\x84\n' >"$out/tree.txt"
printf 'no module\n' >"$out/text.xm"
check "bad greeting: 1"    status 1 "$tool" -o "$out/content/card.mp4" --greeting "$out/tree.txt" "${short[@]}"
check "  one line"         one_line
check "  names the file"   grep -q "tree.txt:2:14: U+1F384 is not in the card's font; the card writes Latin, Greek and Cyrillic letters" "$out/err"
check "refused module: 1"  status 1 "$tool" -o "$out/content/card.mp4" --music "$out/text.xm" "${short[@]}"
check "  one line"         one_line
check "  names the file"   grep -q "text.xm: not an XM file" "$out/err"
check "  nothing written"  empty "$out/content"

# Ctrl-C and a kill: the program ends as the signal would end it (the shell
# sees 130 and 143), after taking its temporary file away. Job control, so
# the background recording does not start with Ctrl-C ignored.
set -m
stop_midway() {  # signal, expected status
  local dir="$out/stop-$1"
  mkdir -p "$dir"
  "$tool" -o "$dir/long.mp4" --seconds 600 --size 640x480 --fast 2>"$out/err" &
  local pid=$!
  for _ in $(seq 100); do  # until it is writing
    compgen -G "$dir/.long.mp4.*.part" >/dev/null && [ -s "$(compgen -G "$dir/.long.mp4.*.part")" ] && break
    sleep 0.1
  done
  sleep 0.5
  kill -s "$1" "$pid"
  wait "$pid"
  local got=$?
  [ "$got" -eq "$2" ] || { echo "status $got"; return 1; }
  one_line && grep -q 'was not written' "$out/err" && empty "$dir"
}
check "Ctrl-C: 130, no file"  stop_midway INT 130
check "kill: 143, no file"    stop_midway TERM 143
set +m

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "record: ok"
