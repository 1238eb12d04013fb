#!/usr/bin/env bash
# The real card under a virtual X server: it starts, shows a frame, ends on
# Esc with status 0 within 2 seconds, and an idle stretch of 5 seconds costs
# it less than 10% of one processor.
# Usage: card.sh <build dir> <source dir>. Exit 77 = skipped.
set -u
build=${1:?build dir}
card="$build/yulecard"
out="$build/test-out/e2e"
mkdir -p "$out"

# shellcheck source=/dev/null
source "$(dirname "$0")/needs.bash"
needs "apt-get install xvfb xdotool imagemagick" Xvfb xdotool import
[ -x "$card" ] || { echo "FAIL: $card not built"; exit 1; }

# shellcheck source=/dev/null
source "$(dirname "$0")/xvfb.bash"
trap stop_started EXIT
start_xvfb "$out/xvfb.log" || exit 1

SDL_AUDIODRIVER=dummy "$card" >"$out/card.log" 2>&1 &
card_pid=$!

# Wait for the window, then let the card settle past its start-up.
win=""
for _ in $(seq 100); do
  win=$(xdotool search --name "Tessary DirectDraw Wrapper" 2>/dev/null | head -n1)
  [ -n "$win" ] && break
  kill -0 "$card_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$win" ]; then
  echo "FAIL: no window appeared"; cat "$out/card.log"; exit 1
fi
sleep 2

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks "$card_pid"); s0=$(date +%s.%N)
sleep 5
t1=$(ticks "$card_pid"); s1=$(date +%s.%N)
cpu=$(awk -v a="$t0" -v b="$t1" -v hz="$hz" -v s0="$s0" -v s1="$s1" \
  'BEGIN { printf "%.1f", 100 * (b - a) / hz / (s1 - s0) }')
echo "processor time while idle: $cpu% of one core"

import -window root "$out/screenshot.png" 2>/dev/null || { echo "FAIL: screenshot"; exit 1; }
size=$(identify -format '%wx%h' "$out/screenshot.png")
echo "screenshot $out/screenshot.png ($size)"
[ "$size" = "640x480" ] || { echo "FAIL: screenshot is $size"; exit 1; }

xdotool key Escape
start=$(date +%s%N)
status=""
while [ $(( ($(date +%s%N) - start) / 1000000 )) -lt 2000 ]; do
  if ! kill -0 "$card_pid" 2>/dev/null; then
    wait "$card_pid"; status=$?; break
  fi
  sleep 0.05
done
if [ -z "$status" ]; then
  echo "FAIL: still running 2 s after Esc"; exit 1
fi
card_pid=""
echo "exit status after Esc: $status"
[ "$status" = 0 ] || { echo "FAIL: exit status $status"; cat "$out/card.log"; exit 1; }
awk -v c="$cpu" 'BEGIN { exit !(c < 10) }' || { echo "FAIL: idle processor time $cpu% >= 10%"; exit 1; }
echo "PASS"
