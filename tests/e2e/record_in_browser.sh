#!/usr/bin/env bash
# yulecard-record's MP4 and WebM played in headless Chromium, as a person's
# browser meets a shared card (tests/web/video_playback_test.js): playable,
# the right size and length, the pictures yulecard-shot draws, with sound.
# Usage: record_in_browser.sh <build dir> <source dir>. Exit 77 = skipped.
set -u
build=${1:?build dir}
source=${2:?source dir}
out="$build/test-out/e2e-record-in-browser"
rm -rf "$out"
mkdir -p "$out/reference"

record="$build/tools/record/yulecard-record"
shot="$build/tools/shot/yulecard-shot"
[ -x "$record" ] || { echo "SKIP: $record not built (no FFmpeg libraries)"; exit 77; }
[ -x "$shot" ] || { echo "SKIP: $shot not built"; exit 77; }
chromium=${CHROMIUM:-/usr/bin/chromium}
[ -x "$chromium" ] || { echo "SKIP: no Chromium at $chromium (apt-get install chromium)"; exit 77; }
playwright="$build/npm/node_modules"
[ -d "$playwright/playwright-core" ] || { echo "SKIP: no playwright-core in $playwright (make test installs it)"; exit 77; }

for video in card.mp4 card.webm; do
  "$record" -o "$out/$video" --seconds 4 --quiet || { echo "FAIL recording $video"; exit 1; }
done
"$shot" --clock 1765000000 --frames 0,70,80 --format bmp --out "$out/reference" >/dev/null ||
  { echo "FAIL yulecard-shot's references"; exit 1; }
NODE_PATH="$playwright" CHROMIUM="$chromium" node "$source/tests/web/video_playback_test.js" "$out" "$out/reference"
