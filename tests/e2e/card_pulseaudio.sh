#!/usr/bin/env bash
# The real card on a real sound server, beside a busy loop: a PulseAudio
# daemon of the test's own (private runtime folder, no default modules, a
# 44,000 Hz null sink, the native protocol on a private socket), the card
# under Xvfb with SDL's pulseaudio driver for 10 s, the sink's monitor
# recorded with parec. Everything the server played, from the first sound to
# where the card stopped, must equal xmrender's rendering of the module
# sample for sample (a dropout anywhere between our ring and the server
# inserts silence and shifts the rest), and the card must count 0 underrun
# blocks.
#
# Usage: card_pulseaudio.sh <build dir> <source dir>. Exit 77 = skipped.
# CARD_PULSEAUDIO_SECONDS changes how long the card plays (for measurements).
set -u
build=${1:?build dir}
source=${2:?source dir}
card="$build/yulecard"
xmrender="$build/tools/xmrender/xmrender"
module="$source/resources/track.xm"
out="$build/test-out/e2e-pulseaudio"
seconds=${CARD_PULSEAUDIO_SECONDS:-10}
mkdir -p "$out"

# shellcheck source=/dev/null
source "$(dirname "$0")/needs.bash"
needs "apt-get install pulseaudio pulseaudio-utils" pulseaudio parec pactl
needs "apt-get install xvfb xdotool" Xvfb xdotool od cmp
[ -x "$card" ] || { echo "FAIL: $card not built"; exit 1; }
[ -x "$xmrender" ] || { echo "SKIP: $xmrender not built"; exit 77; }
[ -f "$module" ] || { echo "SKIP: no $module"; exit 77; }

rate=44000
capture="$out/capture.raw"
reference="$out/reference.raw"
rm -f "$capture" "$reference" "$out/reference.wav" "$out"/*.log

runtime=$(mktemp -d /tmp/yulecard-pulse.XXXXXX)
pulse_pid="" parec_pid="" card_pid="" busy_pid="" nap_pid="" xvfb=""
cleanup() {
  for p in "$card_pid" "$parec_pid" "$busy_pid" "$nap_pid" "$pulse_pid" "$xvfb"; do
    [ -n "$p" ] && kill "$p" 2>/dev/null
  done
  wait 2>/dev/null
  rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP  # through the EXIT trap: the daemon never outlives the test

# shellcheck source=/dev/null
source "$(dirname "$0")/pulse.bash"
start_pulse "$runtime" "$out/pulseaudio.log" "$rate" ||
  { echo "FAIL: the sound server did not start"; cat "$out/pulseaudio.log"; exit 1; }

# The reference: more than the card can play in the time it runs.
"$xmrender" "$module" -o "$out/reference.wav" --seconds $((seconds + 5)) --rate "$rate" --quiet \
  || { echo "FAIL: xmrender could not render $module"; exit 1; }
tail -c +45 "$out/reference.wav" >"$reference"  # the samples after the 44-byte header

# shellcheck source=/dev/null
source "$(dirname "$0")/xvfb.bash"
start_xvfb "$out/xvfb.log" || exit 1

parec -d card.monitor --rate="$rate" --format=s16le --channels=2 --raw "$capture" 2>"$out/parec.log" &
parec_pid=$!
sh -c 'while :; do :; done' &
busy_pid=$!

SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=pulseaudio YULECARD_AUDIO_STATS=1 "$card" >"$out/card.log" 2>&1 &
card_pid=$!
sleep "$seconds" &
nap_pid=$!
wait "$nap_pid"  # a signal now ends the test at once, not after the sleep
nap_pid=""
if ! kill -0 "$card_pid" 2>/dev/null; then
  wait "$card_pid"
  echo "FAIL: the card ended early (status $?)"; cat "$out/card.log"; exit 1
fi
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
kill "$busy_pid"; busy_pid=""
sleep 0.5  # what the server still had on its way to the monitor
kill "$parec_pid"; wait "$parec_pid" 2>/dev/null; parec_pid=""
echo "exit status after Esc: $status"
[ "$status" = 0 ] || { echo "FAIL: exit status $status"; cat "$out/card.log"; exit 1; }

stats=$(grep 'yulecard: audio:' "$out/card.log")
[ -n "$stats" ] || { echo "FAIL: no audio statistics line"; cat "$out/card.log"; exit 1; }
echo "$stats"
underruns=$(echo "$stats" | sed -E 's/.* ([0-9]+) underrun blocks.*/\1/')

# The first and the last frame (left and right sample) that is not zero,
# counted from 0.
first_sound() { od -An -v -tx4 -w4 "$1" | awk '$1 != "00000000" { print NR - 1; exit }'; }
last_sound() { od -An -v -tx4 -w4 "$1" | awk '$1 != "00000000" { last = NR - 1 } END { print last + 0 }'; }
ref_first=$(first_sound "$reference")
cap_first=$(first_sound "$capture")
[ -n "$ref_first" ] || { echo "FAIL: the reference rendering is silent"; exit 1; }
[ -n "$cap_first" ] || { echo "FAIL: the server played nothing"; exit 1; }
cap_last=$(last_sound "$capture")
lead=$((cap_first - ref_first))
[ "$lead" -ge 0 ] || { echo "FAIL: the recording has sound before the module's first note"; exit 1; }
# From the module's start as the recording has it to its last sound: where
# the card stopped (the server drops what it had not yet played).
frames=$((cap_last + 1 - lead))
echo "recorded $(awk -v f="$frames" -v r="$rate" 'BEGIN { printf "%.2f", f / r }') s of music"
[ "$frames" -le $(( $(stat -c %s "$reference") / 4 )) ] || { echo "FAIL: longer than the reference"; exit 1; }

if ! cmp -s -n $((frames * 4)) <(tail -c +$((lead * 4 + 1)) "$capture") "$reference"; then
  at=$(cmp -n $((frames * 4)) <(tail -c +$((lead * 4 + 1)) "$capture") "$reference" 2>/dev/null |
    awk '{ print $5 }' | tr -d ,)
  echo "FAIL: the server played something else than xmrender's rendering from" \
       "$(awk -v b="${at:-1}" -v r="$rate" 'BEGIN { printf "%.3f", (b - 1) / 4 / r }') s on"
  exit 1
fi
# Up to the Esc: all the card handed to the device but what was still on its
# way when the device closed (its buffer, under half a second).
handed=$(echo "$stats" | sed -E 's/.* ([0-9]+) frames played.*/\1/')
[ "$frames" -ge $((handed - rate)) ] && [ "$frames" -ge $((3 * rate)) ] ||
  { echo "FAIL: only $frames frames were heard of $handed the card played"; exit 1; }
echo "everything the server played equals xmrender's rendering"
[ "$underruns" = 0 ] || { echo "FAIL: $underruns underrun blocks"; exit 1; }
echo "PASS"
