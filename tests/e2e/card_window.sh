#!/usr/bin/env bash
# The real card switching between full screen and a window while it plays,
# on a virtual X screen of 1280 x 960 (where twice the picture does not fit
# in a window, so the window takes it once): it starts full screen, Alt+Enter
# makes it a resizable 640 x 480 window in the middle of the screen, F11
# makes it full screen again; the frames go on after each switch, the
# music has no gap across them (what SDL's disk audio driver wrote is,
# sample for sample, the module rendered by xmrender, over five seconds
# that hold both switches), and Esc still ends the card with status 0.
# (How the capture is compared: see card_audio.sh.)
#
# Usage: card_window.sh <build dir> <source dir>. Exit 77 = skipped.
set -u
build=${1:?build dir}
source=${2:?source dir}
card="$build/yulecard"
xmrender="$build/tools/xmrender/xmrender"
module="$source/resources/track.xm"
out="$build/test-out/e2e-window"
mkdir -p "$out"

# shellcheck source=/dev/null
source "$(dirname "$0")/needs.bash"
needs "apt-get install xvfb xdotool x11-utils imagemagick" Xvfb xdotool xwininfo xprop import compare od cmp
[ -x "$card" ] || { echo "FAIL: $card not built"; exit 1; }
[ -x "$xmrender" ] || { echo "SKIP: $xmrender not built"; exit 77; }
[ -f "$module" ] || { echo "SKIP: no $module"; exit 77; }

rate=44000
compare_frames=$((5 * rate))
capture="$out/capture.raw"
reference="$out/reference.raw"
rm -f "$capture" "$reference" "$out"/*.png

here=$(dirname "$0")
# shellcheck source=/dev/null
source "$here/xvfb.bash"
trap stop_started EXIT
# shellcheck source=/dev/null
source "$here/window.bash"

"$xmrender" "$module" -o "$out/reference.wav" --seconds 5 --rate "$rate" --quiet \
  || { echo "FAIL: xmrender could not render $module"; exit 1; }
tail -c +45 "$out/reference.wav" >"$reference"
[ "$(stat -c %s "$reference")" -eq $((compare_frames * 4)) ] || fail "the reference is not $compare_frames frames"

start_xvfb "$out/xvfb.log" 1280x960x16 || exit 1
xdotool mousemove 640 480  # keys go to the window under the pointer (no window manager)
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$capture" YULECARD_AUDIO_STATS=1 \
  YULECARD_FRAME_STATS=1 "$card" >"$out/card.log" 2>&1 &
card_pid=$!

# Waits until the device has played `seconds` of sound (leading silence included).
played() {
  local want=$(( $1 * rate * 4 / 10 )) have=0
  for _ in $(seq 600); do
    kill -0 "$card_pid" 2>/dev/null || fail "the card ended early"
    have=$(stat -c %s "$capture" 2>/dev/null || echo 0)
    [ "$have" -ge "$want" ] && return 0
    sleep 0.1
  done
  fail "only $have bytes of sound in 60 s"
}

# The sound device opens after the display, which may make the window anew
# for its renderer: from the first sound on, the window is the one that stays.
played 5
win=$(find_card_window "$card_pid") || fail "no window appeared"
full="0 0 1280 960"
windowed="320 240 640 480"
wait_geometry "$win" "$full" || fail "not full screen at the start: $(geometry "$win")"
echo "full screen: $(geometry "$win")"

played 15  # 1.5 s
xdotool key alt+Return
wait_geometry "$win" "$windowed" || fail "Alt+Enter: the window is $(geometry "$win"), not $windowed"
echo "after Alt+Enter: $(geometry "$win")"
resizable "$win" || fail "the window cannot be resized: $(xprop -id "$win" WM_NORMAL_HINTS)"
frames_go_on "$win" "$out/window.png" || fail "the picture stands still in the window"

played 30
xdotool key F11
wait_geometry "$win" "$full" || fail "F11: the window is $(geometry "$win"), not $full"
echo "after F11: $(geometry "$win")"
frames_go_on "$win" "$out/full.png" || fail "the picture stands still after going back to full screen"

played $(( compare_frames * 10 / rate + 5 ))
xdotool key Escape
wait_exit "$card_pid" 10
[ -n "$status" ] || fail "still running 10 s after Esc"
card_pid=""
echo "exit status after Esc: $status"
[ "$status" = 0 ] || fail "exit status $status"

frames=$(grep 'yulecard: frames:' "$out/card.log") || fail "no frame statistics line"
echo "$frames"
grep 'yulecard: audio:' "$out/card.log"
# The frames went on through both switches: a stall would show as a long gap.
gap=$(echo "$frames" | sed -n 's/.*longest gap \([0-9]*\) ms.*/\1/p')
[ "${gap:-99999}" -lt 1500 ] || fail "frames stopped for $gap ms"

first_sound() { od -An -v -tx4 -w4 "$1" | awk '$1 != "00000000" { print NR - 1; found = 1; exit } END { if (!found) print -1 }'; }
cap_first=$(first_sound "$capture")
ref_first=$(first_sound "$reference")
[ "$ref_first" -ge 0 ] && [ "$cap_first" -ge 0 ] || fail "silence (capture from $cap_first, reference from $ref_first)"
lead=$((cap_first - ref_first))
[ "$lead" -ge 0 ] || fail "the capture has sound before the module's first note"
if ! cmp -s -n $((compare_frames * 4)) <(tail -c +$((lead * 4 + 1)) "$capture") "$reference"; then
  at=$(cmp <(tail -c +$((lead * 4 + 1)) "$capture") "$reference" 2>/dev/null | awk '{print $5}' | tr -d ,)
  fail "the played sound differs from the offline rendering at frame $(( (${at:-1} - 1) / 4 ))" \
       "($(awk -v b="${at:-1}" -v r="$rate" 'BEGIN { printf "%.3f", (b - 1) / 4 / r }') s)"
fi
echo "the first $compare_frames frames played, across both switches, equal xmrender's rendering"
echo "PASS"
