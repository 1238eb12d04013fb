#!/usr/bin/env bash
# measure_card.sh refuses bad options at once, with status 2 and one line
# naming the option, before it starts anything.
# Usage: cardstats_args.sh <build dir> <source dir>.
set -u
build=${1:?build dir}
src=${2:?source dir}
tool="$src/tools/cardstats/measure_card.sh"
fail() { echo "FAIL: $*"; exit 1; }
check() {
  local want=$1; shift
  local err
  err=$(bash "$tool" "$build" "$@" 2>&1 >/dev/null)
  local status=$?
  [ "$status" = 2 ] || fail "status $status for: $*"
  [[ $err == *"$want"* ]] || fail "no '$want' in '$err' for: $*"
}
check "--seconds needs a value" --seconds
check "not 'abc'" --seconds abc
check "not '-1'" --busy -1
check "not '1.5'" --cpu-for 1.5
check "not '08'" --cpu-from 08
check "not 'pulse'" --driver pulse
check "above 0" --seconds 0 --cpu-from 0 --cpu-for 0
check "unknown option --bogus" --bogus
check "ends after the run" --seconds 5
echo "cardstats_args: ok"
