#!/usr/bin/env bash
# The web card in the three browser engines Debian packages: Chromium
# (playwright-core), Firefox ESR (WebDriver BiDi through puppeteer-core) and
# WebKitGTK (WebKitWebDriver, plain W3C WebDriver; under Xvfb). The same
# checks in each (tests/web/engine_test.js): the pictures against
# yulecard-shot's, the sound against xmrender's, the show's pace, a slow
# start and a stall without a gap, Esc, no page error. Firefox and WebKit
# play only into a sound device: each gets a PulseAudio server of its own.
#
# Usage: web_engines.sh <build dir> <source dir>. Exit 77 = skipped.
# WEB_ENGINES="firefox webkit" runs only those; WEB_PAGE=URL checks that
# page (http or file) instead of the built site.
set -u
build=${1:?build dir}
source=${2:?source dir}
out="$build/test-out/e2e-web-engines"
rm -rf "$out"
mkdir -p "$out"

# shellcheck source=/dev/null
source "$(dirname "$0")/needs.bash"
needs "apt-get install emscripten" emcmake
needs "apt-get install nodejs" node
for tool in tools/shot/yulecard-shot tools/xmrender/xmrender; do
  [ -x "$build/$tool" ] || { echo "SKIP: $build/$tool not built"; exit 77; }
done
modules="$build/npm/node_modules"

# Why an engine cannot run here, or nothing.
missing() {
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
stop_engine_services() {
  local p
  for p in "$pulse_pid" "$xvfb"; do
    [ -n "$p" ] && kill "$p" 2>/dev/null && wait "$p" 2>/dev/null
  done
  pulse_pid="" xvfb=""
  [ -n "$runtime" ] && rm -rf "$runtime"
  runtime=""
}
trap stop_engine_services EXIT
trap 'exit 1' INT TERM HUP  # through the EXIT trap: no server outlives the test

# shellcheck source=/dev/null
source "$(dirname "$0")/web_site.bash"
# shellcheck source=/dev/null
source "$(dirname "$0")/pulse.bash"
# shellcheck source=/dev/null
source "$(dirname "$0")/xvfb.bash"

page=${WEB_PAGE:-}
if [ -z "$page" ]; then
  build_web_site "$build" "$source" "$out" || { echo "0 passed, 1 failed"; exit 1; }
  page=$site
fi
write_references "$build" "$source" "$out/reference" || { echo "FAIL references"; echo "0 passed, 1 failed"; exit 1; }

passed=0 failed=0 ran=0
for engine in ${WEB_ENGINES:-chromium firefox webkit}; do
  why=$(missing "$engine")
  if [ -n "$why" ]; then
    echo "SKIP $engine: $why"
    continue
  fi
  echo "== the page in $engine"
  ok=true
  if [ "$engine" != chromium ]; then
    runtime=$(mktemp -d /tmp/yulecard-web-pulse.XXXXXX)
    # Run by the browsers at the rate they choose; a phone's usual 48,000 Hz.
    start_pulse "$runtime" "$out/$engine-pulseaudio.log" 48000 || {
      echo "FAIL $engine: the sound server did not start"; ok=false; }
  fi
  if $ok && [ "$engine" = webkit ]; then
    start_xvfb "$out/webkit-xvfb.log" 1280x1024x24 || { echo "FAIL webkit: no X display"; ok=false; }
  fi
  if $ok; then
    NODE_PATH="$modules" node "$source/tests/web/engine_test.js" "$engine" "$page" "$out/reference" "$out" \
      2>"$out/$engine-stderr.log" | tee "$out/$engine.log"
    p=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1/p' "$out/$engine.log")
    f=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\2/p' "$out/$engine.log")
    [ -n "$p" ] || { f=1; tail -20 "$out/$engine-stderr.log"; }
    passed=$((passed + ${p:-0})); failed=$((failed + ${f:-1})); ran=$((ran + 1))
  else
    failed=$((failed + 1))
  fi
  stop_engine_services
done
[ "$ran" -gt 0 ] || [ "$failed" -gt 0 ] || { echo "SKIP: no browser engine to run"; exit 77; }
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
