# Sourced by the end-to-end scripts first of all.
# needs "HINT" TOOL...: skips the test (status 77, which ctest reports as
# skipped) when a program it drives is not installed; HINT says how to get it.
needs() {
  local hint=$1 tool
  shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed ($hint)"; exit 77; }
  done
}
