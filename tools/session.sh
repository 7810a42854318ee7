# Sourced: starts one Xvfb display and one persistent wineserver for a whole
# run and stops both when the calling script exits, however it exits.
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
source "$(dirname "${BASH_SOURCE[0]}")/pgserver.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lanes.sh"

session_pids=()
session_rules=()
session_links=()

session_stop() {
  local rule
  for rule in "${session_rules[@]}"; do
    iptables -D $rule 2>/dev/null || true
  done
  rm -f "${session_links[@]}"
  lanes_stop
  postgres_stop
  stop_prefix "${session_pids[@]}"
}

session_start() {
  trap session_stop EXIT
  trap 'exit 130' INT TERM HUP
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  session_pids+=($!)
  local i
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
  wineserver -p
  timeout 120 wine "$build/bin/winewarm.exe" </dev/null >/dev/null 2>&1 || true
  wine "$build/bin/winewarm.exe" hold </dev/null >/dev/null 2>&1 &
  session_pids+=($!)
  session_postgres
  # A loopback address that never answers ICMP echo, for the ping tests.
  local rule="INPUT -d 127.77.0.1 -p icmp --icmp-type echo-request -j DROP"
  # A rule left by a run that was killed outright is dropped first.
  while iptables -D $rule 2>/dev/null; do :; done
  if iptables -I $rule 2>/dev/null; then
    session_rules+=("$rule")
    export ECR_TEST_SILENT_HOST=127.77.0.1
  fi
  session_serial_pair
}

# A serial line for the tests: a socat pty pair whose ends Wine sees as COM21
# (the host's port) and COM22 (the simulated register's).
session_serial_pair() {
  command -v socat >/dev/null || return 0
  local dir="$build/serial" dev="$WINEPREFIX/dosdevices"
  mkdir -p "$dir" "$dev"
  rm -f "$dir/A" "$dir/B"
  socat pty,raw,echo=0,link="$dir/A" pty,raw,echo=0,link="$dir/B" >/dev/null 2>&1 &
  session_pids+=($!)
  local i
  for i in $(seq 50); do
    [ -e "$dir/A" ] && [ -e "$dir/B" ] && break
    sleep 0.1
  done
  [ -e "$dir/A" ] && [ -e "$dir/B" ] || return 0
  ln -sfn "$dir/A" "$dev/com21"
  ln -sfn "$dir/B" "$dev/com22"
  session_links+=("$dev/com21" "$dev/com22")
  export ECR_TEST_COM_HOST=21 ECR_TEST_COM_PEER=22
  # The host's end as Linux names it: tests read the line speed it got there.
  export ECR_TEST_COM_HOST_TTY="$dir/A"
}
