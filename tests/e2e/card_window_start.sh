#!/usr/bin/env bash
# The real card started with --window on a virtual X screen of 1600 x 1200:
# a resizable window of twice the picture (1280 x 960) in the middle of the
# screen, every pixel of the picture a sharp 2 x 2 square; made wide and
# then tall, the window shows the picture centred with its 4:3 shape and
# black bars beside or above and below it. Esc ends the card with status 0.
#
# Usage: card_window_start.sh <build dir> <source dir>. Exit 77 = skipped.
set -u
build=${1:?build dir}
card="$build/yulecard"
out="$build/test-out/e2e-window-start"
mkdir -p "$out"

# shellcheck source=/dev/null
source "$(dirname "$0")/needs.bash"
needs "apt-get install xvfb xdotool x11-utils imagemagick" Xvfb xdotool xwininfo xprop import compare convert
[ -x "$card" ] || { echo "FAIL: $card not built"; exit 1; }
rm -f "$out"/*.png

here=$(dirname "$0")
# shellcheck source=/dev/null
source "$here/xvfb.bash"
trap stop_started EXIT
# shellcheck source=/dev/null
source "$here/window.bash"

start_xvfb "$out/xvfb.log" 1600x1200x16 || exit 1
xdotool mousemove 800 600  # keys go to the window under the pointer (no window manager)
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$card" --window >"$out/card.log" 2>&1 &
card_pid=$!
# The window may be made anew for the renderer: wait until one is placed
# where a window of twice the picture belongs, then look it up again.
win=$(find_card_window "$card_pid") || fail "no window appeared"
expected="160 120 1280 960"
for _ in $(seq 50); do
  win=$(find_card_window "$card_pid") || fail "the window went away"
  [ "$(geometry "$win")" = "$expected" ] && break
  sleep 0.1
done
[ "$(geometry "$win")" = "$expected" ] || fail "--window: the window is $(geometry "$win"), not $expected"
echo "--window: $(geometry "$win")"
resizable "$win" || fail "the window cannot be resized: $(xprop -id "$win" WM_NORMAL_HINTS)"
sleep 1.5  # past the music's head start: the show is drawing

# Sharp: at twice the size, every 2 x 2 square is one pixel of the picture,
# so keeping one pixel of each and doubling it again gives the same picture.
frames_go_on "$win" "$out/twice.png" || fail "the picture stands still"
convert "$out/twice.png" -sample 50% -sample 200% "$out/twice-resampled.png"
differ=$(compare -metric AE "$out/twice.png" "$out/twice-resampled.png" null: 2>&1)
[ "${differ%% *}" = 0 ] || fail "the picture at twice its size is not made of 2 x 2 squares ($differ pixels differ)"
echo "twice the picture, sharp"

# box FILE: "WIDTH HEIGHT X Y" of what is not black (the picture within its bars).
box() { convert "$1" -trim -format '%w %h %X %Y' info: | tr -d '+'; }
# near A B: the two numbers differ by at most 2 pixels (the picture's own
# edge may be dark where the smooth pass meets the bar).
near() { [ $(( $1 > $2 ? $1 - $2 : $2 - $1 )) -le 2 ]; }

# A wide window and a tall one: the picture 4:3, centred, bars around.
for shape in "1000 500 666 500 167 0" "700 900 700 525 0 187"; do
  read -r w h pw ph px py <<<"$shape"
  xdotool windowsize "$win" "$w" "$h"
  wait_geometry "$win" "160 120 $w $h" || fail "the window did not take ${w}x$h: $(geometry "$win")"
  shot="$out/window-${w}x$h.png"
  # The card draws at the new size from its next frame on; a loaded machine
  # may take a while to get there, so look again until it has.
  for _ in $(seq 30); do
    sleep 0.2
    import -window "$win" "$shot" 2>/dev/null || fail "screenshot of the ${w}x$h window"
    read -r bw bh bx by <<<"$(box "$shot")"
    near "$bw" "$pw" && near "$bh" "$ph" && near "$bx" "$px" && near "$by" "$py" && break
  done
  echo "${w}x$h window: the picture is ${bw}x$bh at ($bx, $by); expected ${pw}x$ph at ($px, $py)"
  near "$bw" "$pw" && near "$bh" "$ph" && near "$bx" "$px" && near "$by" "$py" \
    || fail "the picture in the ${w}x$h window is not centred at 4:3 with bars around ($shot)"
done

xdotool key Escape
wait_exit "$card_pid" 10
[ -n "$status" ] || fail "still running 10 s after Esc"
card_pid=""
[ "$status" = 0 ] || fail "exit status $status"
echo "exit status after Esc: 0"
echo "PASS"
