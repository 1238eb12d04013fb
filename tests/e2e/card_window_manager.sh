#!/usr/bin/env bash
# The real card's window under a real window manager (openbox) on a virtual
# X screen of 1600 x 1200: --window gives a framed, titled window of 1280 x
# 960; moved and resized by the user, it goes full screen on Alt+Enter (the
# window manager's full-screen state, no frame) and comes back on F11 to
# exactly where the user left it, time after time (it used to creep down by
# its title bar at every return); the window manager's close (Alt+F4) ends
# the card with status 0.
#
# Usage: card_window_manager.sh <build dir> <source dir>. Exit 77 = skipped.
set -u
build=${1:?build dir}
card="$build/yulecard"
out="$build/test-out/e2e-window-manager"
mkdir -p "$out"

# shellcheck source=/dev/null
source "$(dirname "$0")/needs.bash"
needs "apt-get install xvfb xdotool x11-utils openbox" Xvfb xdotool xwininfo xprop openbox
[ -x "$card" ] || { echo "FAIL: $card not built"; exit 1; }

here=$(dirname "$0")
# shellcheck source=/dev/null
source "$here/xvfb.bash"
trap stop_started EXIT
# shellcheck source=/dev/null
source "$here/window.bash"

start_xvfb "$out/xvfb.log" 1600x1200x16 || exit 1
openbox --sm-disable >"$out/openbox.log" 2>&1 &
also_stop=("$!")  # the window manager
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || fail "openbox did not start"

SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$card" --window >"$out/card.log" 2>&1 &
card_pid=$!
win=""
for _ in $(seq 100); do
  win=$(find_card_window "$card_pid") || fail "no window appeared"
  [ "$(geometry "$win" | cut -d' ' -f3-)" = "1280 960" ] && break
  sleep 0.1
done
[ "$(geometry "$win" | cut -d' ' -f3-)" = "1280 960" ] || fail "--window: the window is $(geometry "$win")"

framed() {  # the window manager put a title bar on it
  xprop -id "$win" _NET_FRAME_EXTENTS 2>/dev/null | awk -F'= ' '{ split($2, e, ", "); exit !(e[3] > 0) }'
}
full_screen_state() {
  xprop -id "$win" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN
}
# The renderer may make the window anew, and on a loaded machine the window
# manager may take seconds to frame it: look the window up again each time.
for _ in $(seq 150); do
  win=$(find_card_window "$card_pid") || fail "the window went away"
  framed && break
  sleep 0.1
done
framed || fail "no frame after 15 s: $(xprop -id "$win" _NET_FRAME_EXTENTS)"
xprop -id "$win" WM_NAME | grep -q '"yulecard"' || fail "title in a window: $(xprop -id "$win" WM_NAME)"
echo "--window: $(geometry "$win"), framed, titled"

# The user moves and resizes the window.
xdotool windowmove "$win" 300 100
xdotool windowsize "$win" 900 700
left=""
for _ in $(seq 100); do  # until it has the new size and stays where it is
  now=$(geometry "$win")
  [ "$(echo "$now" | cut -d' ' -f3-)" = "900 700" ] && [ "$now" = "$left" ] && break
  left=$now
  sleep 0.1
done
[ "$(echo "$left" | cut -d' ' -f3-)" = "900 700" ] || fail "the user's resize gave $left"
echo "moved and resized: $left"

for round in 1 2 3; do
  xdotool windowfocus --sync "$win" 2>/dev/null
  xdotool key alt+Return
  wait_geometry "$win" "0 0 1600 1200" || fail "round $round: Alt+Enter gave $(geometry "$win")"
  full_screen_state || fail "round $round: not in the window manager's full-screen state"
  xprop -id "$win" WM_NAME | grep -q '"Tessary DirectDraw Wrapper"' || fail "round $round: full-screen title"
  xdotool key F11
  wait_geometry "$win" "$left" || fail "round $round: back from full screen at $(geometry "$win"), not $left"
  full_screen_state && fail "round $round: still in the full-screen state"
  for _ in $(seq 100); do framed && break; sleep 0.1; done
  framed || fail "round $round: the frame did not come back"
  xprop -id "$win" WM_NAME | grep -q '"yulecard"' || fail "round $round: title back in a window"
  echo "round $round: full screen and back to $(geometry "$win")"
done

xdotool windowfocus --sync "$win" 2>/dev/null
xdotool key alt+F4
wait_exit "$card_pid" 10
[ -n "$status" ] || fail "still running 10 s after the window manager's close"
card_pid=""
[ "$status" = 0 ] || fail "exit status $status after the window manager's close"
echo "closed by the window manager: status 0"
echo "PASS"
