#!/usr/bin/env bash
# The real card with its music, under a virtual X server and SDL's disk audio
# driver: it ends on Esc with status 0, its sound is not silent, and what the
# device played is, sample for sample, the module rendered offline by
# xmrender from its start - over three seconds, so past the pre-filled ring
# into blocks the feeder thread refilled while the show ran.
#
# What the capture holds: the disk driver writes every buffer the SDL device
# produces. The device is opened paused at init and SDL writes silence for a
# paused device, so the file starts with whole buffers of silence (the time
# the card spends loading the module and pre-filling the ring) and then the
# bytes our ring loop handed out, in the format we asked for (SDL converts
# nothing: 16-bit stereo at 44,000 frames per second). The test finds that
# leading silence by the first sound in both files and compares from there.
#
# Usage: card_audio.sh <build dir> <source dir> [MODULE [CARD OPTIONS...]].
# With a module, the card plays it (--music MODULE, and the options given)
# instead of its own. Exit 77 = skipped.
set -u
build=${1:?build dir}
source=${2:?source dir}
card="$build/yulecard"
xmrender="$build/tools/xmrender/xmrender"
module="$source/resources/track.xm"
out="$build/test-out/e2e-audio"
card_options=()
if [ $# -ge 3 ]; then
  module=$3
  card_options=(--music "$module" "${@:4}")
  out="$build/test-out/e2e-audio-own"
fi
mkdir -p "$out"

# shellcheck source=/dev/null
source "$(dirname "$0")/needs.bash"
needs "apt-get install xvfb xdotool" Xvfb xdotool od cmp
[ -x "$card" ] || { echo "FAIL: $card not built"; exit 1; }
[ -x "$xmrender" ] || { echo "SKIP: $xmrender not built"; exit 77; }
[ -f "$module" ] || { echo "SKIP: no $module"; exit 77; }

rate=44000
compare_frames=$((3 * rate))
capture="$out/capture.raw"
reference="$out/reference.raw"
rm -f "$capture" "$reference" "$out/reference.wav"

# shellcheck source=/dev/null
source "$(dirname "$0")/xvfb.bash"
trap stop_started EXIT
start_xvfb "$out/xvfb.log" || exit 1

# The reference first: rendering it while the card plays would only slow the card.
"$xmrender" "$module" -o "$out/reference.wav" --seconds 3 --rate "$rate" --quiet \
  || { echo "FAIL: xmrender could not render $module"; exit 1; }
tail -c +45 "$out/reference.wav" >"$reference"  # the samples after the 44-byte header
[ "$(stat -c %s "$reference")" -eq $((compare_frames * 4)) ] \
  || { echo "FAIL: the reference is not $compare_frames frames"; exit 1; }

SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$capture" YULECARD_AUDIO_STATS=1 \
  "$card" "${card_options[@]}" >"$out/card.log" 2>&1 &
card_pid=$!

# Wait until the device has played the stretch to compare, plus a margin for
# the leading silence. Generous limits: the machine may be busy, and nothing
# here measures speed.
want_bytes=$(( (compare_frames + rate / 2) * 4 ))
have=0
for _ in $(seq 600); do
  kill -0 "$card_pid" 2>/dev/null || break
  have=$(stat -c %s "$capture" 2>/dev/null || echo 0)
  [ "$have" -ge "$want_bytes" ] && break
  sleep 0.1
done
if ! kill -0 "$card_pid" 2>/dev/null; then
  wait "$card_pid"
  echo "FAIL: the card ended early (status $?)"; cat "$out/card.log"; exit 1
fi
[ "$have" -ge "$want_bytes" ] || { echo "FAIL: only $have bytes captured in 60 s"; cat "$out/card.log"; exit 1; }
win=$(xdotool search --name "Tessary DirectDraw Wrapper" 2>/dev/null | head -n1)
[ -n "$win" ] || { echo "FAIL: the card shows no window"; cat "$out/card.log"; exit 1; }

xdotool key Escape
status=""
for _ in $(seq 200); do
  if ! kill -0 "$card_pid" 2>/dev/null; then
    wait "$card_pid"; status=$?; break
  fi
  sleep 0.05
done
[ -n "$status" ] || { echo "FAIL: still running 10 s after Esc"; exit 1; }
card_pid=""
echo "exit status after Esc: $status"
[ "$status" = 0 ] || { echo "FAIL: exit status $status"; cat "$out/card.log"; exit 1; }

stats=$(grep 'yulecard: audio:' "$out/card.log")
[ -n "$stats" ] || { echo "FAIL: no audio statistics line"; cat "$out/card.log"; exit 1; }
echo "$stats"

# First frame (left and right sample) that is not zero, counted from 0.
first_sound() { od -An -v -tx4 -w4 "$1" | awk '$1 != "00000000" { print NR - 1; found = 1; exit } END { if (!found) print -1 }'; }
cap_first=$(first_sound "$capture")
ref_first=$(first_sound "$reference")
[ "$ref_first" -ge 0 ] || { echo "FAIL: the reference rendering is silent"; exit 1; }
[ "$cap_first" -ge 0 ] || { echo "FAIL: the captured sound is silent"; exit 1; }
lead=$((cap_first - ref_first))
[ "$lead" -ge 0 ] || { echo "FAIL: the capture has sound before the module's first note"; exit 1; }
captured=$(( $(stat -c %s "$capture") / 4 ))
echo "capture: $captured frames, of which $lead frames of silence before the ring started"

if ! cmp -s -n $((compare_frames * 4)) <(tail -c +$((lead * 4 + 1)) "$capture") "$reference"; then
  at=$(cmp <(tail -c +$((lead * 4 + 1)) "$capture") "$reference" 2>/dev/null | awk '{print $5}' | tr -d ,)
  echo "FAIL: the played sound differs from the offline rendering at byte $at" \
       "(frame $(( (${at:-1} - 1) / 4 )), $(awk -v b="${at:-1}" -v r="$rate" 'BEGIN { printf "%.3f", (b - 1) / 4 / r }') s)"
  exit 1
fi
echo "the first $compare_frames frames played equal xmrender's rendering"

# Not silent: the loudest sample of the compared stretch.
peak=$(tail -c +$((lead * 4 + 1)) "$capture" | head -c $((compare_frames * 4)) | od -An -v -td2 -w2 |
  awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }')
echo "peak level: $peak of 32767"
[ "$peak" -ge 1000 ] || { echo "FAIL: the captured sound is nearly silent"; exit 1; }
echo "PASS"
