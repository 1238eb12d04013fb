# Sourced by the scripts that look at the real card's window on a virtual X
# screen (after xvfb.bash). There is no window manager: what is checked is
# the window the card asks for (size, place, size hints), not a frame.

# fail WHAT: the test fails, with what the card said.
fail() { echo "FAIL: $*"; cat "$out/card.log" 2>/dev/null; exit 1; }

# find_card_window PID: prints the card's window id once it exists (10 s),
# full screen or in a window (each has its title).
find_card_window() {
  local pid=$1 win=""
  for _ in $(seq 100); do
    win=$(xdotool search --name "^(Tessary DirectDraw Wrapper|yulecard)$" 2>/dev/null | head -n1)
    [ -n "$win" ] && { echo "$win"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# geometry WIN: "X Y WIDTH HEIGHT" of the window on the screen.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
                           /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { print x, y, w, h }'
}

# wait_geometry WIN "X Y W H": waits up to 10 s for the window to get there
# (a loaded machine, with the window manager between, can be slow).
wait_geometry() {
  for _ in $(seq 100); do
    [ "$(geometry "$1")" = "$2" ] && return 0
    sleep 0.1
  done
  return 1
}

# resizable WIN: the window lets the user change its size (its hints do not
# fix the size: no maximum, or one above the minimum).
resizable() {
  xprop -id "$1" WM_NORMAL_HINTS | awk '/minimum size:/ { min = $5 "x" $7 }
    /maximum size:/ { max = $5 "x" $7 } END { exit !(max == "" || max != min) }'
}

# frames_go_on WIN FILE: two pictures of the window 0.4 s apart differ
# (the snow falls every frame), the first kept in FILE.
frames_go_on() {
  import -window "$1" "$2" 2>/dev/null || return 1
  sleep 0.4
  import -window "$1" "$2.later.png" 2>/dev/null || return 1
  local differ
  differ=$(compare -metric AE "$2" "$2.later.png" null: 2>&1)
  [ "${differ%% *}" != 0 ]
}

# wait_exit PID SECONDS: waits for the card to end and sets $status to its
# exit status, or to "" when it still runs. (Not in $(...): a subshell
# cannot wait for the card.)
wait_exit() {
  local pid=$1 tenths=$(( $2 * 10 ))
  status=""
  for _ in $(seq "$tenths"); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      status=$?
      return 0
    fi
    sleep 0.1
  done
}
