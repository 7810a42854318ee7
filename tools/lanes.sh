# Sourced by session.sh: test lanes. A test that needs the program folder,
# the register's ports, the serial pair or the display to itself runs in a
# lane that ctest hands it (resource "lanes" of build/lanes.json). Each lane
# has its own network namespace (its own 127.0.0.1, so its own ports 500 and
# 1723, traffic on its loopback only), its own copy of the prepared Wine
# prefix and so its own wineserver started inside that namespace (Wine makes
# sockets in the wineserver), its own copy of the program folder, serial pair
# and X display (input, focus and the pointer belong to a display, and
# several tests drive them; the display's server runs inside the namespace).
# tools/winerun enters the lane ctest names.

# Most of a test's time is waiting (time-outs, peers, Wine's process
# starts): eight lanes and the preset's ten jobs keep eight cores about half
# busy, and more lanes gained little when measured.
lane_count=${ECR_TEST_LANES:-8}
lane_pids=()
lane_names=()

# Namespace names are global to the machine: the build folder's checksum
# keeps two clones' sessions apart.
lane_netns() {  # lane
  echo "ecr-$(printf '%s' "$build" | cksum | cut -d' ' -f1)-$1"
}

lanes_stop() {
  local dir name
  # The lanes of an earlier run have no wineserver left to stop.
  for dir in "$build"/lanes/[0-9]*; do
    [ -d "$dir/wineprefix" ] || continue
    WINEPREFIX=$dir/wineprefix wineserver -k >/dev/null 2>&1 || true
  done
  for dir in "$build"/lanes/[0-9]*; do
    [ -d "$dir/wineprefix" ] || continue
    WINEPREFIX=$dir/wineprefix timeout 60 wineserver -w >/dev/null 2>&1 || true
    # As for the session's prefix: a process that outlived its server (seen
    # under emulation) is ended.
    "$here/tools/leftovers.sh" --kill "$dir/wineprefix" >&2 || true
    WINEPREFIX=$dir/wineprefix wine_server_dir_remove
  done
  local pid
  for pid in "${lane_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  for name in "${lane_names[@]}"; do
    ip netns delete "$name" 2>/dev/null || true
  done
}

# A lane's own copies of the prefix and the program folder; tests find
# build folders beside the program folder (the unpacked package). Fails at
# the first failed step (a full disk: each lane takes about 1 GB), whose
# error is in the stage's log: `set -e` holds nothing inside a stage.
lane_copy() {  # lane
  local dir="$build/lanes/$1"
  mkdir -p "$dir" &&
    cp -a --reflink=auto "$WINEPREFIX" "$dir/wineprefix" &&
    cp -a --reflink=auto "$build/bin" "$dir/bin" &&
    ln -s ../../pkgtest "$dir/pkgtest"
}

# One lane, on its fresh copies: namespace, display, serial pair, and its
# wineserver with the desktop held for the whole run (as the session does).
lane_start() {  # lane
  local k=$1 dir="$build/lanes/$1" name display
  name=$(lane_netns "$k")
  ip netns delete "$name" 2>/dev/null || true
  ip netns add "$name" || return 1
  lane_names+=("$name")
  ip -n "$name" link set lo up
  # Its display lives in its namespace, where only its own programs see it.
  xvfb_start ip netns exec "$name"
  lane_pids+=("$xvfb_pid")
  display=$xvfb_display
  [ -n "$display" ] || { echo "lane $k: Xvfb did not start"; return 1; }
  {
    echo "export WINEPREFIX='$dir/wineprefix' DISPLAY=':$display'"
    echo "lane_netns_path=/run/netns/$name"
    echo "lane_bin='$dir/bin'"
  } >"$dir/env"
  # A loopback address that never answers ICMP echo, for the ping tests.
  if ip netns exec "$name" iptables -I INPUT -d 127.77.0.1 -p icmp --icmp-type echo-request -j DROP 2>/dev/null; then
    echo "export ECR_TEST_SILENT_HOST=127.77.0.1" >>"$dir/env"
  fi
  lane_serial_pair "$dir"
  (source "$dir/env"; exec ip netns exec "$name" wineserver -p)
  (source "$dir/env"; exec ip netns exec "$name" wine "$build/bin/winewarm.exe" hold) \
    </dev/null >/dev/null 2>&1 &
  lane_pids+=($!)
}

# The lane's serial line: a socat pty pair whose ends its prefix sees as
# COM21 (the host's port) and COM22 (the simulated register's).
lane_serial_pair() {  # lane folder
  command -v socat >/dev/null || return 0
  local dir=$1/serial dev=$1/wineprefix/dosdevices i
  mkdir -p "$dir"
  socat pty,raw,echo=0,link="$dir/A" pty,raw,echo=0,link="$dir/B" >/dev/null 2>&1 &
  lane_pids+=($!)
  for i in $(seq 50); do
    [ -e "$dir/A" ] && [ -e "$dir/B" ] && break
    sleep 0.1
  done
  [ -e "$dir/A" ] && [ -e "$dir/B" ] || return 0
  ln -sfn "$dir/A" "$dev/com21"
  ln -sfn "$dir/B" "$dev/com22"
  # The host's end as Linux names it: tests read the line speed it got there.
  echo "export ECR_TEST_COM_HOST=21 ECR_TEST_COM_PEER=22 ECR_TEST_COM_HOST_TTY='$dir/A'" >>"$1/env"
}

# Every lane, and ctest's resource file that names them.
lanes_start() {
  local k ids=()
  rm -rf "$build/lanes"
  # Copied side by side: one after the other took three times as long.
  local copying=() pid failed=0
  for k in $(seq 0 $((lane_count - 1))); do
    lane_copy "$k" &
    copying+=($!)
  done
  # Every copy ends with the stage; no lane starts when one failed.
  for pid in "${copying[@]}"; do
    wait "$pid" || failed=1
  done
  [ "$failed" = 0 ] || return 1
  for k in $(seq 0 $((lane_count - 1))); do
    lane_start "$k" || return 1
    ids+=("{\"id\": \"$k\", \"slots\": 1}")
  done
  # Every lane's desktop is up before the first test opens a window.
  local warming=()
  for k in $(seq 0 $((lane_count - 1))); do
    (source "$build/lanes/$k/env"
     timeout 120 ip netns exec "$(lane_netns "$k")" wine "$build/bin/winewarm.exe") \
      </dev/null >/dev/null 2>&1 &
    warming+=($!)
  done
  wait "${warming[@]}"
  local IFS=,
  printf '{"version": {"major": 1, "minor": 0}, "local": [{"lanes": [%s]}]}\n' "${ids[*]}" \
    >"$build/lanes/lanes.json"
}
