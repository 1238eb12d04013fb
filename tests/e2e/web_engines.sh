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

# shellcheck source=/dev/null
source "$(dirname "$0")/engines.bash"
trap stop_engine_services EXIT
trap 'exit 1' INT TERM HUP  # through the EXIT trap: no server outlives the test

# shellcheck source=/dev/null
source "$(dirname "$0")/web_site.bash"

page=${WEB_PAGE:-}
if [ -z "$page" ]; then
  build_web_site "$build" "$source" "$out" || { echo "0 passed, 1 failed"; exit 1; }
  page=$site
fi
write_references "$build" "$source" "$out/reference" || { echo "FAIL references"; echo "0 passed, 1 failed"; exit 1; }

run_in_engines "the page" "$out" "$source/tests/web/engine_test.js" "$page" "$out/reference" "$out"
