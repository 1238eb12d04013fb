#!/usr/bin/env bash
# The real card with the sender's greeting and music: what the sound device
# played is the sender's module, sample for sample as xmrender renders it
# (card_audio.sh's check, given a small module of the repository's own).
# Usage: card_own_music.sh <build dir> <source dir>. Exit 77 = skipped.
set -u
source=${2:?source dir}
exec bash "$(dirname "$0")/card_audio.sh" "$1" "$source" "$source/fuzz/seeds/notes_8bit_loop.xm" \
  --greeting "$source/docs/greeting-example.txt"
