#!/usr/bin/env bash
# The card's command line end to end: --help and --version answer with
# status 0, wrong usage gets the usage and status 2, and a greeting or module
# the card cannot take is one line naming the file, status 1, before any
# window opens: the card runs here with no display at all (DISPLAY,
# WAYLAND_DISPLAY and SDL_VIDEODRIVER unset), so a card that opened its
# window first would fail on the display, or run unseen until the timeout.
# Usage: card_options.sh <build dir> <source dir>. Exit 77 = skipped.
set -u
build=${1:?build dir}
card="$build/yulecard"
[ -x "$card" ] || { echo "FAIL: $card not built"; exit 1; }
command -v timeout >/dev/null || { echo "SKIP: timeout is not installed"; exit 77; }
card=$(cd "$(dirname "$card")" && pwd)/yulecard
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs the card without a display; sets $status, $out and $err.
run() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
    timeout 20 "$card" "$@" >out.txt 2>err.txt
  status=$?
  out=$(cat out.txt)
  err=$(cat err.txt)
}

run --help
[ "$status" = 0 ] || fail "--help: status $status"
for word in "--greeting FILE" "--music FILE.xm" "greeting-format.md" "Esc"; do
  grep -qF -- "$word" out.txt || fail "--help does not mention '$word'"
done
[ -s err.txt ] && fail "--help wrote to stderr: $err"

run --version
[ "$status" = 0 ] || fail "--version: status $status"
[[ "$out" =~ ^yulecard\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed '$out'"

# Wrong usage: the error, then the usage, on stderr; status 2.
for args in "--bogus" "--greeting" "--music" "wishes.txt" "--window=yes"; do
  # shellcheck disable=SC2086
  run $args
  [ "$status" = 2 ] || fail "'$args': status $status, not 2"
  [[ "$(head -n1 err.txt)" == "yulecard: "* ]] || fail "'$args': first line '$(head -n1 err.txt)'"
  grep -q "^usage: yulecard" err.txt || fail "'$args': no usage on stderr"
  [ -s out.txt ] && fail "'$args': wrote to stdout"
done

# A module the loader refuses for its fifth instrument's 20 samples: the
# header, one empty pattern, four instruments without samples, then the
# fifth (its header of 263 bytes, then 20 sample headers of 40).
zeros() { head -c "$1" /dev/zero; }
{
  printf 'Extended Module: '; zeros 20; printf '\x1a'; zeros 20
  printf '\x04\x01\x14\x01\x00\x00'                                 # version, header size 276
  printf '\x01\x00\x00\x00\x02\x00\x01\x00\x05\x00\x01\x00\x06\x00\x7d\x00'  # length .. tempo
  zeros 256                                                          # the order list
  printf '\x09\x00\x00\x00\x00\x40\x00\x00\x00'                     # pattern: 64 rows, empty
  for _ in 1 2 3 4; do printf '\x1d\x00\x00\x00'; zeros 23; printf '\x00\x00'; done
  printf '\x07\x01\x00\x00'; zeros 23; printf '\x14\x00\x28\x00\x00\x00'; zeros 230
  zeros 800
} >song.xm
printf 'Merry Christmas!\n' >good.txt
printf 'Frohe Weihnachten\nund ein gutes\nWeihnachtsbaumschmucks\n' >wishes.txt
printf 'Merry Christmas\nFrohe Feste! \xf0\x9f\x8e\x84\n' >tree.txt
printf 'no module\n' >text.xm
mkdir folder

# Each case: the expected line, then the arguments.
check_refusal() {
  local want=$1; shift
  run "$@"
  [ "$status" = 1 ] || fail "$*: status $status, not 1 (stderr: $err)"
  [ "$err" = "$want" ] || fail "$*: stderr '$err', not '$want'"
  [ -s out.txt ] && fail "$*: wrote to stdout"
}
check_refusal 'yulecard: wishes.txt:3: "Weihnachtsbaumschmucks" is longer than a line of the card (21 letters)' \
  --greeting wishes.txt
check_refusal "yulecard: tree.txt:2:14: U+1F384 is not in the card's font; the card writes Latin, Greek and Cyrillic letters" --greeting tree.txt
check_refusal "yulecard: nothere.txt: cannot be read (No such file or directory)" --greeting nothere.txt
check_refusal "yulecard: folder: is a folder, not a greeting file" --greeting folder
check_refusal "yulecard: song.xm: instrument 5 has 20 samples; at most 16" --greeting good.txt --music song.xm
check_refusal "yulecard: text.xm: not an XM file" --music text.xm
check_refusal "yulecard: folder: is a folder, not a module" --music=folder

if [ "$failures" -gt 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "PASS"
