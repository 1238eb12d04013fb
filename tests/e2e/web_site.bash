# Sourced by the web card's scripts: the site built with emscripten, and
# the references its pages are held against.

# build_web_site BUILD SOURCE LOGS: configures and builds the web card into
# BUILD/web (incremental: a second script finds it built); sets $site.
build_web_site() {
  local build=$1 source=$2 logs=$3
  # Debian's node-acorn lives where only Debian's own node looks for it.
  export NODE_PATH=/usr/share/nodejs
  site="$build/web/site"
  if ! { emcmake cmake -S "$source" -B "$build/web" -DCMAKE_BUILD_TYPE=Release >"$logs/configure.log" 2>&1 &&
         cmake --build "$build/web" -j 2 >"$logs/build.log" 2>&1; }; then
    echo "FAIL the web build"; tail -20 "$logs/configure.log" "$logs/build.log"
    return 1
  fi
}

# write_references BUILD SOURCE DIR: frames 0, 190, 330 and 1200 of the show
# from yulecard-shot, 16 s of the card's track from xmrender, and frame 600
# of a card with a greeting of its own (DIR/own, the greeting beside it).
write_references() {
  local build=$1 source=$2 dir=$3
  mkdir -p "$dir/own"
  printf 'Joyeux No\303\253l \303\240 tous,\nxylophones zing!\n\nGod Jul' >"$dir/own/greeting.txt"
  "$build/tools/shot/yulecard-shot" --clock 1765000000 --frames 0,190,330,1200 --format bmp \
    --out "$dir" >/dev/null &&
    "$build/tools/shot/yulecard-shot" --clock 1765000000 --frames 600 --format bmp \
      --greeting "$dir/own/greeting.txt" --out "$dir/own" >/dev/null &&
    "$build/tools/xmrender/xmrender" "$source/resources/track.xm" -o "$dir/track.wav" --seconds 20 -q
}
