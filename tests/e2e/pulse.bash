# Sourced by the scripts that need a sound server of their own.

# start_pulse RUNTIME LOG RATE: starts a PulseAudio daemon of the test's own
# in the private folder RUNTIME (no default modules, a RATE Hz null sink
# named "card", the native protocol on a private socket), keeps its process
# id in $pulse_pid and exports what its clients need to find it; returns 0
# once it answers. The caller stops it by $pulse_pid (and removes RUNTIME).
start_pulse() {
  local runtime=$1 log=$2 rate=$3
  # The server and its clients find each other only through these; nothing
  # outside the runtime folder is read or written (no cookie, no autospawn).
  export XDG_RUNTIME_DIR="$runtime" HOME="$runtime"
  export PULSE_RUNTIME_PATH="$runtime/pulse" PULSE_STATE_PATH="$runtime/state"
  export PULSE_SERVER="unix:$runtime/native" PULSE_CLIENTCONFIG="$runtime/client.conf"
  printf 'autospawn = no\n' >"$PULSE_CLIENTCONFIG"
  # No DISPLAY for the daemon: it would try to start a D-Bus session through X.
  env -u DISPLAY pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --log-target=stderr \
    -L "module-null-sink sink_name=card rate=$rate channels=2 format=s16le norewinds=1" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$runtime/native" \
    >"$log" 2>&1 &
  pulse_pid=$!
  for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && return 0
    kill -0 "$pulse_pid" 2>/dev/null || break
    sleep 0.1
  done
  pactl info >/dev/null 2>&1
}
