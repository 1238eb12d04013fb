# Sourced by the scripts that open a page in the three browser engines
# (tests/web/engines/): what each needs, and the services it plays into.
# Firefox and WebKit play only into a sound device: each gets a PulseAudio
# server of its own; WebKit runs on an X display of its own.

# shellcheck source=/dev/null
source "$(dirname "${BASH_SOURCE[0]}")/pulse.bash"
# shellcheck source=/dev/null
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.bash"

# engine_missing ENGINE MODULES: why ENGINE cannot run here (MODULES: the
# npm packages' folder), or nothing.
engine_missing() {
  local modules=$2
  case $1 in
    chromium)
      [ -x "${CHROMIUM:-/usr/bin/chromium}" ] || { echo "no Chromium (apt-get install chromium)"; return; }
      [ -d "$modules/playwright-core" ] || echo "no playwright-core in $modules (make test installs it)" ;;
    firefox)
      [ -x "${FIREFOX:-/usr/bin/firefox-esr}" ] || { echo "no Firefox (apt-get install firefox-esr)"; return; }
      [ -d "$modules/puppeteer-core" ] || { echo "no puppeteer-core in $modules (make test installs it)"; return; }
      command -v pulseaudio >/dev/null || echo "no PulseAudio (apt-get install pulseaudio pulseaudio-utils)" ;;
    webkit)
      [ -x /usr/bin/WebKitWebDriver ] || { echo "no WebKitWebDriver (apt-get install webkit2gtk-driver)"; return; }
      command -v Xvfb >/dev/null || { echo "no Xvfb (apt-get install xvfb)"; return; }
      command -v pulseaudio >/dev/null || echo "no PulseAudio (apt-get install pulseaudio pulseaudio-utils)" ;;
    *) echo "no such engine" ;;
  esac
}

pulse_pid="" xvfb="" runtime=""
# For the caller's EXIT trap too: no server outlives the test.
stop_engine_services() {
  local p
  for p in "$pulse_pid" "$xvfb"; do
    [ -n "$p" ] && kill "$p" 2>/dev/null && wait "$p" 2>/dev/null
  done
  pulse_pid="" xvfb=""
  [ -n "$runtime" ] && rm -rf "$runtime"
  runtime=""
}

# start_engine_services ENGINE OUT: the sound server (and the X display) the
# engine needs, their logs in OUT; 1 with a FAIL line when one did not start.
start_engine_services() {
  local engine=$1 out=$2
  if [ "$engine" != chromium ]; then
    runtime=$(mktemp -d /tmp/yulecard-web-pulse.XXXXXX)
    # Run by the browsers at the rate they choose; a phone's usual 48,000 Hz.
    start_pulse "$runtime" "$out/$engine-pulseaudio.log" 48000 || {
      echo "FAIL $engine: the sound server did not start"; return 1; }
  fi
  if [ "$engine" = webkit ]; then
    start_xvfb "$out/webkit-xvfb.log" 1280x1024x24 || { echo "FAIL webkit: no X display"; return 1; }
  fi
}

# count_engine_log LOG STDERR: the counts a node test printed last ("N
# passed, N failed") added to $passed and $failed (a test that printed none
# failed; its errors are shown).
count_engine_log() {
  local p f
  p=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1/p' "$1")
  f=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\2/p' "$1")
  [ -n "$p" ] || { f=1; tail -20 "$2"; }
  passed=$((passed + ${p:-0})); failed=$((failed + ${f:-1}))
}

# run_in_engines TITLE OUT TEST [ARGS...]: runs the node test TEST with
# ENGINE ARGS in each engine asked for (WEB_ENGINES, else all three), each
# beside its own services, its output in OUT/ENGINE.log; prints the tally
# and returns its status, 77 when no engine could run. Needs $modules.
run_in_engines() {
  local title=$1 out=$2 test=$3 engine why ran=0
  shift 3
  passed=0 failed=0
  for engine in ${WEB_ENGINES:-chromium firefox webkit}; do
    why=$(engine_missing "$engine" "$modules")
    if [ -n "$why" ]; then
      echo "SKIP $engine: $why"
      continue
    fi
    echo "== $title in $engine"
    if start_engine_services "$engine" "$out"; then
      NODE_PATH="$modules" node "$test" "$engine" "$@" \
        2>"$out/$engine-stderr.log" | tee "$out/$engine.log"
      count_engine_log "$out/$engine.log" "$out/$engine-stderr.log"
      ran=$((ran + 1))
    else
      failed=$((failed + 1))
    fi
    stop_engine_services
  done
  [ "$ran" -gt 0 ] || [ "$failed" -gt 0 ] || { echo "SKIP: no browser engine to run"; return 77; }
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
