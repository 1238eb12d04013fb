#!/usr/bin/env bash
# The real card where there is no display to show it on: outside any
# graphical session (DISPLAY, WAYLAND_DISPLAY and SDL_VIDEODRIVER unset) and
# with DISPLAY naming an X server that is not there. Each time it must end
# at once (a timeout guards against a card running unseen) with status 1
# and one line on standard error saying what is missing and what to do.
#
# Usage: card_no_display.sh <build dir> <source dir>. Exit 77 = skipped.
set -u
build=${1:?build dir}
card="$build/yulecard"
out="$build/test-out/e2e-no-display"
mkdir -p "$out"
[ -x "$card" ] || { echo "FAIL: $card not built"; exit 1; }
command -v timeout >/dev/null || { echo "SKIP: timeout is not installed"; exit 77; }

failures=0
# run NAME EXPECTED_LINE ENV...: runs the card with only ENV set besides
# PATH and HOME; checks status, silence on stdout and the one line.
run() {
  local name=$1 expected=$2
  shift 2
  local status=0
  env -i PATH="$PATH" HOME="${HOME:-/}" "$@" SDL_AUDIODRIVER=dummy \
    timeout 10 "$card" >"$out/$name.out" 2>"$out/$name.err" || status=$?
  local said
  said=$(cat "$out/$name.err")
  if [ "$status" = 124 ]; then
    echo "FAIL $name: still running after 10 s (shown nowhere)"
  elif [ "$status" != 1 ]; then
    echo "FAIL $name: exit status $status, not 1"
  elif [ -s "$out/$name.out" ]; then
    echo "FAIL $name: wrote to standard output: $(cat "$out/$name.out")"
  elif [ "$(wc -l <"$out/$name.err")" != 1 ] || [ "$said" != "$expected" ]; then
    echo "FAIL $name: said"
    sed 's/^/    /' "$out/$name.err"
    echo "  instead of"
    echo "    $expected"
  else
    echo "ok   $name: $said"
    return 0
  fi
  failures=$((failures + 1))
}

run no-session \
  "yulecard: no graphical display (DISPLAY and WAYLAND_DISPLAY are not set); run the card in a desktop session, or set SDL_VIDEODRIVER"

# A display number with no server behind it. A runtime folder keeps the
# Wayland library from printing a complaint of its own, as in any login.
num=$(( 900 + RANDOM % 90 ))
while [ -e "/tmp/.X11-unix/X$num" ] || [ -e "/tmp/.X$num-lock" ]; do num=$(( num + 1 )); done
runtime=$(mktemp -d)
chmod 700 "$runtime"
run server-gone \
  "yulecard: cannot reach the graphical display (DISPLAY=:$num); run the card in a desktop session, or set SDL_VIDEODRIVER" \
  DISPLAY=":$num" XDG_RUNTIME_DIR="$runtime"
rmdir "$runtime"

[ "$failures" = 0 ] || exit 1
echo "PASS"
