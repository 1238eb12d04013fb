#!/usr/bin/env bash
# Installation into a temporary prefix: every file a desktop looks for is
# there and passes the validators a distribution runs (desktop entry,
# AppStream, manual pages), the icons are the sizes their folders say, and
# every program prints the project's version.
# Usage: install.sh <build dir> <source dir>. Exit 77 = skipped (a validator
# is missing; the other checks still ran and passed).
set -u
build=${1:?build dir}
source=${2:?source dir}
out="$build/test-out/e2e-install"
root="$out/root"
prefix="$root/usr"
rm -rf "$out"
mkdir -p "$out"
command -v cmake >/dev/null || { echo "SKIP: cmake not on PATH"; exit 77; }
if ! cmake --install "$build" --prefix "$prefix" >"$out/install.log" 2>&1; then
  cat "$out/install.log"
  echo "FAIL cmake --install"
  exit 1
fi

failures=0
missing=""
check() {  # description, then the test command
  local what=$1; shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
have() {  # a validator, or a note that it is missing
  command -v "$1" >/dev/null && return 0
  echo "skip $2: $1 is not installed (Debian package $3)"
  missing="$missing $1"
  return 1
}
quiet() {  # passes when the command succeeds and prints nothing
  local said
  said=$("$@" 2>&1) && [ -z "$said" ] && return 0
  printf '%s\n' "$said" | sed 's/^/     /'
  return 1
}
succeeds() {  # passes when the command succeeds; shows what it said if not
  local said
  said=$("$@" 2>&1) && return 0
  printf '%s\n' "$said" | sed 's/^/     /'
  return 1
}

# Every file, where the desktop looks for it.
for program in yulecard xmrender yulecard-shot yulecard-pack; do
  check "bin/$program" test -x "$prefix/bin/$program"
done
share="$prefix/share"
check "the desktop entry" test -f "$share/applications/yulecard.desktop"
for size in 16 32 48 64 128 256 512; do
  check "the ${size} px icon" test -f "$share/icons/hicolor/${size}x${size}/apps/yulecard.png"
done
metainfo=("$share"/metainfo/*.metainfo.xml)
check "one AppStream file" test "${#metainfo[@]}" -eq 1 -a -f "${metainfo[0]}"
pages=(man6/yulecard.6 man1/xmrender.1 man1/yulecard-shot.1 man1/yulecard-pack.1)
for page in "${pages[@]}"; do
  check "the manual page $page" test -f "$share/man/$page.gz"
done
for doc in LICENSE FONT-LICENSE-DejaVu.txt copyright changelog.gz greeting-format.md greeting-example.txt \
           greeting-polish.txt greeting-greek.txt greeting-russian.txt; do
  check "doc/yulecard/$doc" test -f "$share/doc/yulecard/$doc"
done
# The recorder and its page come together or not at all.
if [ -e "$prefix/bin/yulecard-record" ] || [ -e "$share/man/man1/yulecard-record.1.gz" ]; then
  check "the recorder with its page" test -x "$prefix/bin/yulecard-record" \
    -a -f "$share/man/man1/yulecard-record.1.gz"
  pages+=(man1/yulecard-record.1)
fi

# A PNG's header: signature, then width, height, depth 8 and colour type 6
# (RGBA), so the icon has soft edges on any panel.
png_header() {  # file -> "width height depth type"
  [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || return 1
  od -An -tu1 -j16 -N10 "$1" | awk '{ print $1*16777216 + $2*65536 + $3*256 + $4,
                                              $5*16777216 + $6*65536 + $7*256 + $8, $9, $10 }'
}
for size in 16 32 48 64 128 256 512; do
  icon="$share/icons/hicolor/${size}x${size}/apps/yulecard.png"
  [ -f "$icon" ] && check "  ... ${size} px is an RGBA PNG of ${size} x ${size}" \
    test "$(png_header "$icon")" = "$size $size 8 6"
done

# The version, one for every program, from the project's CMake version.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
check "the build knows its version ($version)" test -n "$version"
for program in yulecard xmrender yulecard-shot yulecard-pack yulecard-record; do
  [ -x "$prefix/bin/$program" ] || continue
  check "$program --version says $version" test "$("$prefix/bin/$program" --version)" = "$program $version"
done
check "the AppStream release is $version" grep -q "<release version=\"$version\"" "${metainfo[0]}"
check "the manual pages carry $version" \
  test "$(for p in "${pages[@]}"; do gzip -dc "$share/man/$p.gz" | head -1; done | grep -c "\"yulecard $version\"")" \
  -eq "${#pages[@]}"

# The validators a distribution runs (appstreamcli fails on warnings too).
if have desktop-file-validate "the desktop entry" desktop-file-utils; then
  check "desktop-file-validate" quiet desktop-file-validate "$share/applications/yulecard.desktop"
fi
if have appstreamcli "the AppStream file" appstream; then
  check "appstreamcli validate" succeeds appstreamcli validate --no-net --no-color "${metainfo[0]}"
  # The tree: the component's desktop entry and icon are where it says.
  check "appstreamcli validate-tree" succeeds appstreamcli validate-tree --no-net --no-color "$root"
fi
if have groff "the manual pages" groff-base; then
  for page in "${pages[@]}"; do
    check "groff -man -ww: $page" quiet bash -c 'gzip -dc "$1" | groff -man -ww -z' _ "$share/man/$page.gz"
  done
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
if [ -n "$missing" ]; then
  echo "SKIP: the other checks passed, but these validators are missing:$missing"
  exit 77
fi
echo "all installation checks passed"
