#!/bin/bash
# Builds the speed measurements and runs them under Wine against the register
# simulator, with native curl and a Python reference beside them; prints every
# number and whether its goal is met. A missed goal is a finding, not a
# failure: the script fails only when it cannot build or measure.
#   bench/run.sh            (build folder: build, or $BENCH_BUILD_DIR)
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bdir=${BENCH_BUILD_DIR:-$here/build}
source "$here/tools/env.sh"
export LD_PRELOAD=
unset ECR_TRACE ECR_TRCCSV ECR_PROTO ECR_RETRY
bin=$bdir/bin
work=$(mktemp -d)
sim_pid=
ws_pid=

stop_all() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null
  fi
  if [ -n "$ws_pid" ]; then
    kill "$ws_pid" 2>/dev/null; wait "$ws_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap stop_all EXIT
trap 'exit 130' INT TERM

echo "== build ($bdir)"
if [ ! -f "$bdir/CMakeCache.txt" ]; then
  cmake --preset mingw -S "$here" -B "$bdir" >"$work/configure.log" 2>&1 ||
    { tail -30 "$work/configure.log"; exit 1; }
fi
cmake --build "$bdir" -j8 --target bench_tftp bench_stream bench_plu ecrsim_prog \
  >"$work/build.log" 2>&1 || { tail -40 "$work/build.log"; exit 1; }

# One persistent wineserver for all the runs. When the prefix has one
# already, the new one ends at once and that one is used (and left alone).
wineserver -p -f >/dev/null 2>&1 &
ws_pid=$!
sleep 2
if ! kill -0 "$ws_pid" 2>/dev/null; then
  wait "$ws_pid" 2>/dev/null
  ws_pid=
  echo "(using the wineserver already running for $WINEPREFIX)"
fi

# The simulator needs UDP 500 and TCP 1723 of 127.0.0.1; test runs of the
# shared folder may hold them for a while.
wait_ports() {
  local i
  for i in $(seq 120); do
    ss -uapn | grep -qE ':500 ' || ss -tlpn | grep -qE ':1723 ' || return 0
    sleep 1
  done
  echo "(ports 500/1723 still taken; measuring anyway)"
}

# value FILE PROGRAM KEY: the number of a "PROGRAM: KEY=value" line.
value() { tr -d '\r' <"$1" | sed -n "s/^$2: $3=//p" | head -n1; }
calc() { awk "BEGIN { printf \"%.2f\", $1 }"; }
goal() { if awk "BEGIN { exit !($1) }"; then echo "GOAL MET"; else echo "GOAL NOT MET"; fi; }

run_wine() {  # run_wine OUTFILE PROGRAM ARGS...
  local out=$1; shift
  (cd "$bin" && timeout 900 "$here/tools/winerun" "$@") 2>"$out.err" | tr -d '\r' >"$out"
  local rc=${PIPESTATUS[0]}
  cat "$out"
  return "$rc"
}

# A benchmark with its own simulator: waits for the ports and tries again
# when a test run of the shared folder got in the way.
run_bench() {  # run_bench OUTFILE PROGRAM ARGS...
  local try
  for try in 1 2 3; do
    wait_ports
    run_wine "$@" && return 0
    echo "(run failed, try $try of 3: another program may have shared the ports)"
    sleep 10
  done
  return 1
}

echo "== 1. TFTP read of 6,400,000 bytes"
run_bench "$work/tftp_in" bench_tftp.exe
run_wine "$work/tftp_w" bench_tftp.exe --write bench_PLU.BIN >/dev/null
wait_ports
(cd "$bin" && exec "$here/tools/winerun" ecrsim.exe 127.0.0.1 PLU.BIN=bench_PLU.BIN) \
  >"$work/ecrsim.out" 2>&1 &
sim_pid=$!
for i in $(seq 60); do
  grep -q "register on" "$work/ecrsim.out" && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 1
done
if grep -q "register on" "$work/ecrsim.out"; then
  run_wine "$work/tftp_ext" bench_tftp.exe --external
  curl_best=
  for round in 1 2 3; do
    rm -f "$work/curl.bin"
    t0=$(date +%s%N)
    curl -s --max-time 300 --tftp-no-options -o "$work/curl.bin" tftp://127.0.0.1:500/PLU.BIN
    rc=$?
    t1=$(date +%s%N)
    if [ $rc -ne 0 ] || ! cmp -s "$work/curl.bin" "$bin/bench_PLU.BIN"; then
      echo "curl: round $round failed (rc $rc or bytes differ)"; continue
    fi
    ms=$(calc "($t1 - $t0) / 1000000")
    echo "curl: round $round ms=$ms"
    if [ -z "$curl_best" ] || awk "BEGIN { exit !($ms < $curl_best) }"; then curl_best=$ms; fi
  done
else
  echo "ecrsim.exe did not start:"; cat "$work/ecrsim.out"
fi
kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; sim_pid=

echo "== 2. XON/XOFF stream of 1 MB"
run_bench "$work/stream" bench_stream.exe

echo "== 3. Article table (100,000 records)"
run_bench "$work/plu" bench_plu.exe
ref_ok=no
if [ -f "$bin/bench_plu_lib.csv" ]; then
  python3 "$here/bench/plu_reference.py" "$bin/bench_PLU.BIN" "$work/ref.csv" | tee "$work/ref"
  if cmp -s "$work/ref.csv" "$bin/bench_plu_lib.csv"; then
    ref_ok=yes; echo "plu_reference: CSV bytes equal to the library's"
  else
    echo "plu_reference: CSV bytes DIFFER from the library's"
  fi
fi
rm -f "$bin/bench_PLU.BIN" "$bin/bench_plu_lib.csv"

echo "== 4. Receipt bridge VARNESK.exe (its own Wine prefix, display and wineserver)"
# Built apart: the whole windowed program must not hold up the numbers above.
if cmake --build "$bdir" -j8 --target bridge_bench VARNESK varneskctl >"$work/build_bridge.log" 2>&1; then
  BRIDGE_BUILD=0 BRIDGE_SUMMARY="$work/bridge_summary" BENCH_BUILD_DIR="$bdir" "$here/bench/bridge.sh" ||
    echo "(the bridge benchmark could not measure everything)"
else
  tail -20 "$work/build_bridge.log"; echo "(the bridge could not be built)"
fi

echo
echo "== Summary (Wine on qemu-i386 emulation: the library runs emulated, curl and Python natively)"
lib_ext=$(value "$work/tftp_ext" bench_tftp external_best_ms 2>/dev/null)
lib_in=$(value "$work/tftp_in" bench_tftp inprocess_best_ms)
echo "TFTP 6.4 MB: library in-process ${lib_in:-?} ms, library vs ecrsim.exe ${lib_ext:-?} ms, curl vs ecrsim.exe ${curl_best:-?} ms"
if [ -n "${lib_ext:-}" ] && [ -n "${curl_best:-}" ]; then
  echo "  library/curl time ratio $(calc "$lib_ext / $curl_best") (goal <= 1): $(goal "$lib_ext <= $curl_best")"
else
  echo "  GOAL NOT MEASURED"
fi
piece=$(value "$work/stream" bench_stream piece_us)
rtt=$(value "$work/stream" bench_stream rtt_us)
if [ -n "$piece" ] && [ -n "$rtt" ]; then
  over=$(calc "$piece - $rtt")
  echo "Stream: ${piece} us per 512-byte piece, loopback round trip ${rtt} us, above it ${over} us (goal < 50): $(goal "$over < 50")"
else
  echo "Stream: GOAL NOT MEASURED"
fi
conv=$(value "$work/plu" bench_plu conversion_ms)
ref=$(value "$work/ref" plu_reference conversion_ms 2>/dev/null)
echo "PLU: ecr_recv_plu_all $(value "$work/plu" bench_plu recv_plu_all_ms) ms whole; timed apart: tftp_get $(value "$work/plu" bench_plu tftp_get_ms) ms, conversion ${conv:-?} ms; ecr_send_plu $(value "$work/plu" bench_plu send_plu_ms) ms (CSV parse $(value "$work/plu" bench_plu csv_parse_ms) ms)"
if [ -n "$conv" ] && [ -n "${ref:-}" ] && [ "$ref_ok" = yes ]; then
  echo "  conversion: library ${conv} ms, Python reference ${ref} ms, speed-up $(calc "$ref / $conv")x (goal >= 5): $(goal "$ref >= 5 * $conv")"
else
  echo "  conversion: GOAL NOT MEASURED (reference equal: $ref_ok)"
fi
if [ -s "$work/bridge_summary" ]; then
  sed -n '2,$p' "$work/bridge_summary"
else
  echo "Bridge: GOAL NOT MEASURED"
fi
exit 0
