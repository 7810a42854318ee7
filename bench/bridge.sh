#!/bin/bash
# The receipt bridge VARNESK.exe against the register simulator: how soon a
# receipt that appears in the shared folder gets the register's last answer
# (Polltime 1 and 50), and how much CPU the bridge takes while idle and while
# suspended, read from outside in /proc. It runs in a Wine prefix of its own
# (only one VARNESK runs per prefix, and the tests use the shared one), with
# its own Xvfb display and wineserver. Prints every number and whether its
# goal is met; a missed goal is a finding, the script fails only when it
# cannot build or measure.
#   bench/bridge.sh            (build folder: build, or $BENCH_BUILD_DIR)
#   BRIDGE_BUILD=0             use what is built
#   BRIDGE_CPU_S=60            seconds of each CPU measurement at Polltime 50
#   BRIDGE_FAST_IDLE_S=10      seconds of the idle measurement at Polltime 1
#   BRIDGE_COUNT_S=10          seconds of each system-call count (after each
#                              CPU measurement; strace slows what it counts)
#   BRIDGE_QUIT_SUSPENDED=0    skip the quit while suspended
#   BRIDGE_SUMMARY=<file>      also write the summary lines there
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bdir=${BENCH_BUILD_DIR:-$here/build}
export BUILD_DIR=$bdir
export WINEPREFIX=$bdir/bench-wineprefix
source "$here/tools/env.sh"
source "$here/bench/syscalls.sh"
unset ECR_TRACE ECR_TRCCSV ECR_PROTO ECR_RETRY
bin=$bdir/bin
cpu_s=${BRIDGE_CPU_S:-60}
fast_idle_s=${BRIDGE_FAST_IDLE_S:-10}
count_s=${BRIDGE_COUNT_S:-10}
summary=${BRIDGE_SUMMARY:-}
hz=$(getconf CLK_TCK)
work=$(mktemp -d)
prog=$work/prog
shared=$work/shared
stop_file=$work/stop
suspend_file=$work/suspend
xvfb_pid=
ws_pid=
bench_pid=
vk_pid=
failed=0

winpath() { echo "Z:${1//\//\\}"; }
calc() { awk "BEGIN { printf \"%.${2:-2}f\", $1 }"; }
goal() { if awk "BEGIN { exit !($1) }"; then echo "GOAL MET"; else echo "GOAL NOT MET"; fi; }
say() {  # a summary line
  echo "$*"
  [ -n "$summary" ] && echo "$*" >>"$summary"
  return 0
}

last_quit=
quit_bridge() {
  [ -n "$vk_pid" ] || return 0
  last_quit="had ended already"
  if kill -0 "$vk_pid" 2>/dev/null; then
    # As the tray menu's "Esci": the worker finishes, then the program.
    timeout 90 wine "$bin/varneskctl.exe" quit 30 2>/dev/null | tr -d '\r'
    for _ in $(seq 25); do kill -0 "$vk_pid" 2>/dev/null || break; sleep 0.2; done
    if kill -0 "$vk_pid" 2>/dev/null; then
      echo "bridge: VARNESK did not end on quit; killed"; kill "$vk_pid"
      last_quit="did not end on quit (killed)"
    else
      last_quit="ended on quit"
    fi
  fi
  wait "$vk_pid" 2>/dev/null
  vk_pid=
}

stop_register() {
  [ -n "$bench_pid" ] || return 0
  touch "$stop_file"
  for _ in $(seq 100); do kill -0 "$bench_pid" 2>/dev/null || break; sleep 0.2; done
  kill "$bench_pid" 2>/dev/null
  wait "$bench_pid" 2>/dev/null
  bench_pid=
}

cleanup() {
  quit_bridge
  stop_register
  stop_prefix $xvfb_pid
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

if [ "${BRIDGE_BUILD:-1}" != 0 ]; then
  echo "== build ($bdir)"
  if [ ! -f "$bdir/CMakeCache.txt" ]; then
    cmake --preset mingw -S "$here" -B "$bdir" >"$work/configure.log" 2>&1 ||
      { tail -30 "$work/configure.log"; exit 1; }
  fi
  cmake --build "$bdir" -j8 --target VARNESK varneskctl bridge_bench \
    >"$work/build.log" 2>&1 || { tail -40 "$work/build.log"; exit 1; }
fi
for f in VARNESK.exe varneskctl.exe bridge_bench.exe; do
  [ -f "$bin/$f" ] || { echo "bridge: $bin/$f missing"; exit 1; }
done
"$here/tools/wineprefix.sh" || exit 1

# VARNESK is a windowed program with a tray icon: it needs a display.
fdfile=$work/display
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
[ -s "$fdfile" ] || { echo "bridge: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$fdfile")"
# One wineserver for the whole run keeps process starts short.
wineserver -p -f >/dev/null 2>&1 &
ws_pid=$!
sleep 2
if ! kill -0 "$ws_pid" 2>/dev/null; then
  wait "$ws_pid" 2>/dev/null; ws_pid=
fi

# The program folder: VARNESK imports the ECR.INI found there at every start.
mkdir -p "$prog" "$shared"
cp "$bin/VARNESK.exe" "$prog/"
cp "$bin"/*.dll "$prog/" 2>/dev/null
cp "$bin"/*.DLL "$prog/" 2>/dev/null
write_ini() {  # polltime
  cat >"$prog/ECR.INI" <<INI
[Info]
EcrIp=127.0.0.1
Cartella=$(winpath "$shared")
Polltime=$1
Proto=0
Port=0
Baud=0
Backup=0
Offline=0
Level=0
Log=0
Ext=TXT
[Comandi]
1=VEND
2=CHIUSURA
[VEND]
FORMAT=REP+PREZZO
1=REP
2=PREZZO
TERMINATOR=PREZZO,M,
[REP]
FORMAT=R
[PREZZO]
FORMAT=H
[CHIUSURA]
FORMAT=1T
INI
}

# The register simulator needs UDP 500 and TCP 1723 of 127.0.0.1, which
# test runs of the shared prefix may hold for a while.
wait_ports() {
  for _ in $(seq 120); do
    ss -uapn | grep -E ':500 ' >/dev/null || ss -tlpn | grep -E ':1723 ' >/dev/null || return 0
    sleep 1
  done
  echo "(ports 500/1723 still taken; measuring anyway)"
}

# value FILE KEY: the number of a "bridge_bench: KEY=value" line.
value() { sed -n "s/^bridge_bench: $2=//p" "$1" | head -n1; }

# CPU ticks (user + system, all threads) of a Linux process; the command
# name in parentheses may hold spaces, so the fields count after it.
cpu_ticks() { sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null | awk '{ print $12 + $13 }'; }

# The Linux process that runs our program folder's VARNESK.exe (qemu-i386
# running Wine's loader: its command line ends with the program's path).
bridge_process() {
  local f
  for f in "/proc/$vk_pid/cmdline" $(grep -lasF "$prog/VARNESK.exe" /proc/[0-9]*/cmdline); do
    { tr '\0' ' ' <"$f"; } 2>/dev/null | grep -F "$prog/VARNESK.exe" >/dev/null || continue
    f=${f%/cmdline}; echo "${f#/proc/}"; return 0
  done
  return 1
}

# Wine's explorer.exe of our prefix: it hosts the notification area that
# the bridge's tray icon and balloons go to.
explorer_process() {
  local f
  for f in $(grep -las 'explorer\.exe' /proc/[0-9]*/cmdline); do
    f=${f%/cmdline}
    { tr '\0' '\n' <"$f/environ"; } 2>/dev/null | grep -xF "WINEPREFIX=$WINEPREFIX" >/dev/null || continue
    echo "${f#/proc/}"; return 0
  done
  return 1
}

# "tid ticks" for each thread of a process.
task_ticks() {
  local t
  for t in /proc/"$1"/task/*; do
    echo "${t##*/} $( { sed 's/^.*) //' "$t/stat"; } 2>/dev/null | awk '{ print $12 + $13 }')"
  done
}

# The threads that took CPU between two task_ticks lists, busiest first;
# the main thread (the windows') has the process's id.
busy_threads() {  # before after pid seconds
  awk -v pid="$3" -v sec="$4" -v hz="$hz" '
    NR == FNR { before[$1] = $2; next }
    ($1 in before) && $2 > before[$1] {
      printf "%.3f %s%s\n", 100 * ($2 - before[$1]) / hz / sec, $1, ($1 == pid ? " (main)" : "")
    }' "$1" "$2" | sort -rn | head -n 5 |
    awk '{ printf "%s%s%s %s%%", (NR > 1 ? ", " : ""), $2, ($3 != "" ? " " $3 : ""), $1 } END { print "" }'
}

cpu_result=
calls_result=
measure_cpu() {  # label seconds
  local pid t0 w0 t1 w1 ws0=0 ws1=0 ex ex0= ex1=
  pid=$(bridge_process) || { echo "bridge: no VARNESK process found"; cpu_result=; return 1; }
  ex=$(explorer_process) && ex0=$(cpu_ticks "$ex")
  [ -n "$ws_pid" ] && ws0=$(cpu_ticks "$ws_pid")
  task_ticks "$pid" >"$work/tasks0"
  t0=$(cpu_ticks "$pid"); w0=$(date +%s%N)
  sleep "$2"
  t1=$(cpu_ticks "$pid"); w1=$(date +%s%N)
  task_ticks "$pid" >"$work/tasks1"
  [ -n "$ws_pid" ] && ws1=$(cpu_ticks "$ws_pid")
  [ -n "$ex0" ] && ex1=$(cpu_ticks "$ex")
  if [ -z "$t0" ] || [ -z "$t1" ] || ! kill -0 "$pid" 2>/dev/null; then
    echo "bridge: VARNESK ended during the measurement"; cpu_result=; return 1
  fi
  local wall cpu ws
  wall=$(calc "($w1 - $w0) / 1e9")
  cpu=$(calc "($t1 - $t0) / $hz" 3)
  cpu_result=$(calc "100 * $cpu / $wall" 3)
  echo "bridge: $1: pid $pid, CPU ${cpu} s over ${wall} s = ${cpu_result}% of one core"
  echo "bridge: $1: busiest threads: $(busy_threads "$work/tasks0" "$work/tasks1" "$pid" "$wall")"
  if [ -n "$ws_pid" ]; then
    ws=$(calc "100 * ($ws1 - $ws0) / $hz / $wall" 3)
    echo "bridge: $1: the prefix's wineserver (also serving the simulator) ${ws}% of one core"
  fi
  if [ -n "$ex1" ]; then
    echo "bridge: $1: the prefix's explorer.exe (the notification area) $(calc "100 * ($ex1 - $ex0) / $hz / $wall" 3)% of one core"
  fi
  # Counted apart, after the CPU figure: strace slows what it follows.
  calls_result=$(count_attached "$pid" "$count_s")
  echo "bridge: $1: system calls of its threads over ${count_s} s, by thread:"
  echo "$calls_result" | sed "s/^/bridge:   /"
}

start_register() {  # polltime receipts output
  rm -f "$stop_file" "$suspend_file" "$suspend_file.resume"
  wait_ports
  (exec wine "$bin/bridge_bench.exe" "$(winpath "$shared")" "$(winpath "$stop_file")" "$1" "$2" \
    "$(winpath "$suspend_file")" </dev/null >"$3" 2>&1) &
  bench_pid=$!
  for _ in $(seq 120); do
    grep -qs "register on\|register not started" "$3" && break
    kill -0 "$bench_pid" 2>/dev/null || break
    sleep 0.5
  done
  grep -q "register on" "$3" && return 0
  tr -d '\r' <"$3"; echo "bridge: the register did not start"; stop_register
  return 1
}

# The register says 'V' (busy with a receipt of its own) and a receipt
# waits: the bridge stays suspended, asking for the status every interval.
# The simulator keeps the register's address all along, so no other
# register that comes up on 127.0.0.1 meanwhile can take the receipt.
measure_suspended() {  # polltime seconds raw-output
  touch "$suspend_file"
  for _ in $(seq 40); do grep -q "register state V" "$3" && break; sleep 0.25; done
  printf 'VEND REP=1,PREZZO=100\r\nCHIUSURA\r\n' >"$shared/S9999.TXT"
  sleep 3
  local ok=1
  measure_cpu "suspended, Polltime $1, register status 'V'" "$2" || ok=0
  rm -f "$suspend_file"
  for _ in $(seq 40); do grep -q "v_host_connections" "$3" && break; sleep 0.25; done
  tr -d '\r' <"$3" | grep -E "v_(seconds|status_requests|host_connections)="
  if [ ! -f "$shared/S9999.TXT" ] || ! tr -d '\r' <"$3" | grep "v_host_connections=0\.000" >/dev/null; then
    echo "bridge: the waiting receipt went to the register: the bridge was not suspended"
    ok=0
  fi
  [ "$ok" = 1 ] && cpu[susp_$1]=$cpu_result calls[susp_$1]=$calls_result
  local n sec
  n=$(tr -d '\r' <"$3" | sed -n 's/^bridge_bench: v_status_requests=//p')
  sec=$(tr -d '\r' <"$3" | sed -n 's/^bridge_bench: v_seconds=//p')
  [ -n "$n" ] && [ -n "$sec" ] && retry[$1]=$(calc "1000 * $sec / ($n > 0 ? $n : 1)" 0)
  # The tray menu's "Esci" while suspended (a raised quit ends the
  # suspended wait); then the register comes back for whatever is left.
  local t0 t1
  if [ "${BRIDGE_QUIT_SUSPENDED:-1}" != 0 ]; then
    t0=$(date +%s%N)
    timeout 60 wine "$bin/varneskctl.exe" quit 10 2>/dev/null | tr -d '\r'
    t1=$(date +%s%N)
    if kill -0 "$vk_pid" 2>/dev/null; then
      quit_susp="NOT ended within 10 s"
    else
      quit_susp="ended after $(calc "($t1 - $t0) / 1e9" 1) s"
    fi
    echo "bridge: quit while suspended: VARNESK $quit_susp"
  fi
  touch "$suspend_file.resume"
  # Back to normal: the waiting receipt goes to the register.
  for _ in $(seq 40); do [ -f "$shared/S9999.TXT" ] || break; sleep 0.25; done
  return 0
}

declare -A lat cpu calls retry
quit_susp="not tried"
run_phase() {  # polltime receipts idle-seconds suspend-seconds
  local p=$1 out=$work/bench_$1.txt raw=$work/bench_$1.raw i
  echo
  echo "== Polltime $p (at $SECONDS s): $2 receipts$( [ "$3" -gt 0 ] && echo ", ${3} s idle")$( [ "$4" -gt 0 ] && echo ", ${4} s suspended")"
  write_ini "$p"
  rm -rf "$shared"/*
  start_register "$p" "$2" "$raw" || { failed=1; return; }
  (cd "$prog" && exec wine "$prog/VARNESK.exe" </dev/null >"$work/varnesk_$p.txt" 2>&1) &
  vk_pid=$!
  for i in $(seq 600); do
    grep -qs "holding" "$raw" && break
    kill -0 "$bench_pid" 2>/dev/null || break
    sleep 0.5
  done
  tr -d '\r' <"$raw" >"$out"
  grep -v "^bridge_bench: holding" "$out"
  if grep -q "last_max_ms=" "$out"; then lat[$p]=$out; else failed=1; fi
  if grep -q "holding" "$out"; then
    if [ "$3" -gt 0 ]; then
      measure_cpu "idle, Polltime $p, register reachable, no receipts" "$3" &&
        cpu[idle_$p]=$cpu_result calls[idle_$p]=$calls_result
    fi
    [ "$4" -gt 0 ] && measure_suspended "$p" "$4" "$raw"
  fi
  # The bridge ends first, while the register still holds its address.
  quit_bridge
  stop_register
  tr -d '\r' <"$raw" | grep -E "^bridge_bench: (status_requests|host_connections)="
}

run_phase 1 10 "$fast_idle_s" 0
run_phase 50 6 "$cpu_s" "$cpu_s"

echo
if i386_emulated; then
  say "== Bridge summary (VARNESK.exe under Wine on qemu-i386 emulation: every figure depends on it; the simulated register in bridge_bench.exe)"
else
  say "== Bridge summary (VARNESK.exe under Wine, no emulation; the simulated register in bridge_bench.exe)"
fi
for p in 1 50; do
  f=${lat[$p]:-}
  if [ -z "$f" ]; then say "Polltime $p: receipt latency GOAL NOT MEASURED"; continue; fi
  n=$(value "$f" receipts); pieces=$(value "$f" pieces); quiet=$(value "$f" quiet_ms)
  lo=$(value "$f" last_min_ms); med=$(value "$f" last_median_ms); hi=$(value "$f" last_max_ms)
  limit=$(calc "$p * 20 + 20" 0)
  sim=$(calc "$pieces * $quiet" 0)
  say "Polltime $p (interval $(calc "$p * 20" 0) ms; goal: every receipt within ${limit} ms), $(calc "$n" 0) receipts, min / median / max:"
  say "  file appears -> register's last answer: $(calc "$lo" 1) / $(calc "$med" 1) / $(calc "$hi" 1) ms: $(goal "$hi <= $limit")"
  say "  the same less the simulator's end-of-piece quiet ($(calc "$pieces" 0) pieces x $(calc "$quiet" 0) ms; a register that knows where a command ends answers at once): $(calc "$lo - $sim" 1) / $(calc "$med - $sim" 1) / $(calc "$hi - $sim" 1) ms: $(goal "$hi - $sim <= $limit")"
  say "  file appears -> the bridge's first status request (its pick-up alone): $(calc "$(value "$f" pickup_min_ms)" 1) / $(calc "$(value "$f" pickup_median_ms)" 1) / $(calc "$(value "$f" pickup_max_ms)" 1) ms: $(goal "$(value "$f" pickup_max_ms) <= $limit")"
done
report_cpu() {  # key label goal-percent
  local v=${cpu[$1]:-}
  if [ -n "$v" ]; then
    say "$2: ${v}% of one core (goal < $3%): $(goal "$v < $3")"
    [ -n "${calls[$1]:-}" ] && say "$(echo "${calls[$1]}" | sed 's/^/  system calls: /')"
  else
    say "$2: GOAL NOT MEASURED"
  fi
}
report_cpu idle_50 "CPU idle, Polltime 50, ${cpu_s} s" 1
report_cpu susp_50 "CPU suspended (register status 'V', a receipt waiting; retried every ${retry[50]:-?} ms), Polltime 50, ${cpu_s} s" 1
report_cpu idle_1 "CPU idle, Polltime 1, ${fast_idle_s} s" 2
say "Quit (varneskctl, as the tray menu's \"Esci\") while suspended: VARNESK $quit_susp; with the register back: ${last_quit:-?}"
exit $failed
