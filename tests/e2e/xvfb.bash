# Sourced by the scripts that run the real card on a virtual X screen.
# start_xvfb LOG [SCREEN]: starts Xvfb (SCREEN as WxHxDEPTH, 640x480x16 by
# default) on a display number nobody else uses (tests may run in
# parallel), keeps its process id in $xvfb, exports DISPLAY and returns once
# the server answers. The caller ends it.
start_xvfb() {
  local log=$1 screen=${2:-640x480x16}
  num=$(( 90 + RANDOM % 800 ))
  while [ -e "/tmp/.X11-unix/X$num" ] || [ -e "/tmp/.X$num-lock" ]; do num=$(( num + 1 )); done
  Xvfb ":$num" -screen 0 "$screen" -nolisten tcp >"$log" 2>&1 &
  xvfb=$!
  export DISPLAY=":$num"
  for _ in $(seq 100); do
    xdotool getmouselocation >/dev/null 2>&1 && return 0
    sleep 0.1
  done
}
