# Sourced by the scripts that run the real card on a virtual X screen.

# stop_started: ends what a script started, for its EXIT trap
# (`trap stop_started EXIT`): the card ($card_pid), anything the script added
# to the array also_stop, then the server ($xvfb).
stop_started() {
  local p
  for p in "${card_pid:-}" ${also_stop[@]+"${also_stop[@]}"} "${xvfb:-}"; do
    [ -n "$p" ] && kill "$p" 2>/dev/null
  done
  wait 2>/dev/null
}

# start_xvfb LOG [SCREEN]: starts Xvfb (SCREEN as WxHxDEPTH, 640x480x16 by
# default) on a display number nobody else uses (tests may run in
# parallel), keeps its process id in $xvfb, exports DISPLAY and returns 0
# once the server answers; 1 when no server could be started.
start_xvfb() {
  local log=$1 screen=${2:-640x480x16} attempt
  # Two tests may pick the same free number at once; the loser's server
  # exits at once, and it tries another. A loaded machine may take many
  # seconds to bring a server up, so the wait is generous.
  for attempt in 1 2 3; do
    num=$(( 90 + RANDOM % 800 ))
    while [ -e "/tmp/.X11-unix/X$num" ] || [ -e "/tmp/.X$num-lock" ]; do num=$(( num + 1 )); done
    # -noreset: by default the server starts over whenever its last client
    # leaves (xdotool's check, a key sent), and a program that connects
    # during that moment is refused.
    Xvfb ":$num" -screen 0 "$screen" -nolisten tcp -noreset >"$log" 2>&1 &
    xvfb=$!
    export DISPLAY=":$num"
    for _ in $(seq 300); do
      xdotool getmouselocation >/dev/null 2>&1 && return 0
      kill -0 "$xvfb" 2>/dev/null || break
      sleep 0.1
    done
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
  done
  echo "Xvfb did not start (attempt $attempt): $(tail -n 3 "$log")"
  return 1
}
