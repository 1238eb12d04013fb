#!/usr/bin/env bash
# The layers of the source: nothing above platform/ reaches SDL (no SDL
# header, no SDL call in app/, base/, greeting/, display/, effects/, nor in
# the portable platform code or the null backend), no layer includes one
# above it, and the programs built on the null backend link no SDL library.
# Usage: layers.sh <build dir> <source dir>.
set -u
build=${1:?build dir}
src=${2:?source dir}
fail() { echo "FAIL: $*"; exit 1; }
cd "$src" || fail "no source dir $src"

sdl=$(grep -nE '#[[:space:]]*include[[:space:]]*[<"]SDL|\bSDL_[A-Za-z0-9_]+[[:space:]]*\(' \
  app/* base/* greeting/* display/* effects/* platform/*.h platform/*.cpp platform/null/* 2>/dev/null)
[ -z "$sdl" ] || { echo "$sdl"; fail "SDL above the SDL backend"; }

# Each layer includes only those below it: platform < display < effects < app.
check_includes() {
  local dir=$1 forbidden=$2 hits
  hits=$(grep -nE "#[[:space:]]*include[[:space:]]*\"($forbidden)/" "$dir"/*.h "$dir"/*.cpp 2>/dev/null)
  [ -z "$hits" ] || { echo "$hits"; fail "$dir/ includes from a layer above it"; }
}
check_includes platform 'display|effects|app|music|greeting'
check_includes display 'effects|app|music|greeting'
check_includes effects 'app|music|greeting'
# The device-free helpers stand on nothing of the card; the greeting's
# language on them and on the writer's text format and the show's frame
# period alone.
check_includes base 'platform|display|effects|app|music|greeting'
check_includes greeting 'platform|display|app|music'
hits=$(grep -nE '#[[:space:]]*include[[:space:]]*"effects/' greeting/* | grep -vE 'effects/(text_format|frame_period)\.h')
[ -z "$hits" ] || { echo "$hits"; fail "greeting/ uses the effects beyond the writer's text format and the frame period"; }

for program in tools/shot/yulecard-shot tests/tests_headless; do
  [ -x "$build/$program" ] || fail "$build/$program not built"
  if ldd "$build/$program" | grep -q 'libSDL2'; then fail "$program links SDL"; fi
done
echo "layers: ok"
