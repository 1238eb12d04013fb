#!/usr/bin/env bash
# Runs the real card under a virtual X server for a while, optionally with
# busy loops keeping the processors loaded, and reports what its music did:
# blocks filled, underrun blocks (blocks the device reached before the feeder
# had refilled them), frames played against the wall clock, and the card's
# processor time over a stretch of the show as a share of one core.
#
# Usage: measure_card.sh <build dir> [options]
#   --seconds S     how long the card runs before Esc (default 300)
#   --driver NAME   SDL audio driver: disk (default; writes to /dev/null) or dummy
#   --busy N        busy loops to run beside the card (default 0)
#   --cpu-from S    start of the processor-time window, seconds after start (default 10)
#   --cpu-for S     length of that window (default 60)
set -u
build=${1:?usage: measure_card.sh <build dir> [options]}
shift
seconds=300 driver=disk busy=0 cpu_from=10 cpu_for=60
while [ $# -gt 0 ]; do
  case $1 in
    --seconds | --driver | --busy | --cpu-from | --cpu-for) ;;
    *) echo "measure_card: unknown option $1" >&2; exit 2 ;;
  esac
  [ $# -ge 2 ] || { echo "measure_card: $1 needs a value" >&2; exit 2; }
  # Times and counts are whole numbers (no leading zeros: the shell would
  # read them as octal); anything else would only surface later as a shell
  # error with the run half done.
  if [ "$1" = --driver ]; then
    [ "$2" = disk ] || [ "$2" = dummy ] ||
      { echo "measure_card: --driver is disk or dummy, not '$2'" >&2; exit 2; }
  else
    [[ $2 =~ ^(0|[1-9][0-9]{0,8})$ ]] ||
      { echo "measure_card: $1 wants a whole number, not '$2'" >&2; exit 2; }
  fi
  case $1 in
    --seconds) seconds=$2 ;;
    --driver) driver=$2 ;;
    --busy) busy=$2 ;;
    --cpu-from) cpu_from=$2 ;;
    --cpu-for) cpu_for=$2 ;;
  esac
  shift 2
done
[ "$seconds" -gt 0 ] || { echo "measure_card: --seconds must be above 0" >&2; exit 2; }
[ $((cpu_from + cpu_for)) -le "$seconds" ] || { echo "measure_card: the processor window ends after the run" >&2; exit 2; }
card="$build/yulecard"
[ -x "$card" ] || { echo "measure_card: $card not built" >&2; exit 1; }
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null 2>&1 || { echo "measure_card: $tool is not installed" >&2; exit 1; }
done

log=$(mktemp /tmp/measure_card.XXXXXX)
xvfb=""
card_pid=""
busy_pids=()
cleanup() {
  [ -n "$card_pid" ] && kill "$card_pid" 2>/dev/null
  for p in "${busy_pids[@]}"; do kill "$p" 2>/dev/null; done
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -f "$log"
}
trap cleanup EXIT
# shellcheck source=/dev/null
source "$(dirname "$0")/../../tests/e2e/xvfb.bash"
start_xvfb /dev/null || exit 1

for _ in $(seq "$busy"); do
  sh -c 'while :; do :; done' &
  busy_pids+=($!)
done

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
start=$(date +%s.%N)
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=$driver SDL_DISKAUDIOFILE=/dev/null YULECARD_AUDIO_STATS=1 \
  "$card" >"$log" 2>&1 &
card_pid=$!

sleep "$cpu_from"
t0=$(ticks "$card_pid"); s0=$(date +%s.%N)
sleep "$cpu_for"
t1=$(ticks "$card_pid"); s1=$(date +%s.%N)
sleep $((seconds - cpu_from - cpu_for))
kill -0 "$card_pid" 2>/dev/null || { echo "measure_card: the card ended early"; cat "$log"; exit 1; }
xdotool key Escape
wait "$card_pid"
status=$?
stop=$(date +%s.%N)
card_pid=""

echo "card ran $(awk -v a="$start" -v b="$stop" 'BEGIN { printf "%.1f", b - a }') s" \
  "with SDL_AUDIODRIVER=$driver beside $busy busy loop(s); exit status $status"
grep 'yulecard: audio:' "$log" || { echo "no audio statistics"; cat "$log"; }
played=$(awk '/yulecard: audio:/ { print $(NF - 2) }' "$log")
[ -n "$played" ] && awk -v f="$played" -v a="$start" -v b="$stop" \
  'BEGIN { printf "frames played per wall-clock second (start-up included): %.0f\n", f / (b - a) }'
awk -v a="$t0" -v b="$t1" -v hz="$hz" -v s0="$s0" -v s1="$s1" -v from="$cpu_from" \
  'BEGIN { printf "processor time from %d s for %.1f s: %.2f%% of one core\n", from, s1 - s0, 100 * (b - a) / hz / (s1 - s0) }'
