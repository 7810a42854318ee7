# Sourced: starts one Xvfb display and one persistent wineserver for a whole
# run, and stops them (and the PostgreSQL server and the lanes, when test.sh
# started them) when the calling script exits, however it exits. The serial
# pair and the silent ping address are the lanes' own.
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pgserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lanes.sh"

session_pids=()

session_stop() {
  lanes_stop
  postgres_stop
  stop_prefix "${session_pids[@]}"
}

session_start() {
  trap session_stop EXIT
  trap 'exit 130' INT TERM HUP
  xvfb_start
  session_pids+=("$xvfb_pid")
  export DISPLAY=":$xvfb_display"
  wineserver -p
  timeout 120 wine "$build/bin/winewarm.exe" </dev/null >/dev/null 2>&1 || true
  wine "$build/bin/winewarm.exe" hold </dev/null >/dev/null 2>&1 &
  session_pids+=($!)
}

# Starts an Xvfb on a free display: xvfb_pid, and xvfb_display once it
# listens (empty when it did not start). Arguments, when given, are the
# command it runs under (a lane's namespace). X clients reach the display
# first through its abstract socket, which belongs to the network namespace
# the server started in; the socket file in /tmp/.X11-unix is shared by all
# namespaces, and a server of another namespace that picks the same number
# takes it over.
xvfb_start() {
  local fdfile i
  fdfile=$(mktemp)
  "$@" Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  xvfb_display=$(head -n1 "$fdfile")
  rm -f "$fdfile"
}
