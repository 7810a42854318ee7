#!/bin/bash
# The main job: builds everything, starts a register on loopback, lets the
# bridge carry a shared folder's receipts to it and shows what arrived.
#   DEMO_BUILD=0    skip setup and build (use what is built)
#   DEMO_SESSION=0  run in the caller's Wine session (no own Xvfb/wineserver)
set -euo pipefail
source "$(dirname "$0")/env.sh"
cd "$here"
if [ "${DEMO_BUILD:-1}" != 0 ]; then
  "$here/tools/setup.sh"
  cmake --preset mingw >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
  echo "build: compiling (log: $build/build.log)"
  cmake --build --preset mingw >"$build/build.log" 2>&1 || { tail -60 "$build/build.log"; exit 1; }
fi
if [ "${DEMO_SESSION:-1}" != 0 ]; then
  source "$here/tools/session.sh"
  session_start
fi

demo="$build/demo"
shared="$demo/shared"
winpath() { echo "Z:${1//\//\\}"; }

rm -rf "$demo"
mkdir -p "$shared"
"$here/tools/winerun" "$build/bin/ecrdemo.exe" 127.0.0.1 || true

# The register: UDP answers come from 127.0.0.1 under Wine, so it lives there.
"$here/tools/winerun" "$build/bin/demoreg.exe" 127.0.0.1 "$(winpath "$demo/stop")" \
  >"$demo/register.txt" 2>&1 &
reg_pid=$!
stop_register() {
  touch "$demo/stop"
  for _ in $(seq 50); do kill -0 "$reg_pid" 2>/dev/null || break; sleep 0.2; done
}
trap 'stop_register; type session_stop >/dev/null 2>&1 && session_stop' EXIT
for _ in $(seq 150); do grep -q "listening" "$demo/register.txt" 2>/dev/null && break; sleep 0.2; done
grep -q "listening" "$demo/register.txt" || { cat "$demo/register.txt"; echo "demo: no register"; exit 1; }

# Settings ([Info]) and command configuration, as the shop would import them.
write_ini() {  # proto
  cat >"$demo/ECR.INI" <<INI
[Info]
EcrIp=127.0.0.1
Cartella=$(winpath "$shared")
Polltime=10
Proto=$1
Port=0
Baud=0
Backup=1
Offline=0
Level=1
Log=0
Ext=TXT,SCO
[Comandi]
1=VEND
2=TESTO
3=CHIUSURA
[VEND]
FORMAT=REP+PREZZO
1=REP
2=PREZZO
TERMINATOR=PREZZO,M,
[REP]
FORMAT=R
[PREZZO]
FORMAT=H
[TESTO]
FORMAT=DES
1=DES
[DES]
FORMAT=""\$""
[CHIUSURA]
FORMAT=1T
INI
}

# The bridge program itself runs from the demo folder (its program folder),
# so it imports the ECR.INI written there at every start.
cp "$build/bin/VARNESK.exe" "$build"/bin/*.dll "$demo/"
pending() {  # receipts still waiting in the shared folder
  find "$shared" -maxdepth 1 -type f \( -iname '*.TXT' -o -iname '*.SCO' \) | wc -l
}
run_bridge() {  # round title
  echo
  echo "=== $1"
  "$here/tools/winerun" "$demo/VARNESK.exe" >"$demo/varnesk.txt" 2>&1 &
  local pid=$! rc=0 i
  for i in $(seq 600); do
    [ "$(pending)" = 0 ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  if [ "$(pending)" = 0 ]; then
    echo "demo: VARNESK emptied the shared folder"
  else
    echo "demo: the bridge did not empty the shared folder"; rc=1
  fi
  # Ends as its tray menu's "Esci" does: the worker finishes, then the program.
  "$here/tools/winerun" "$build/bin/varneskctl.exe" quit 60 || rc=1
  wait "$pid" || { echo "demo: VARNESK exit $?"; rc=1; }
  return $rc
}

# Round 1: receipts of the shop's command language, translated.
write_ini 0
printf "; scontrino 1\r\nVEND REP=1,PREZZO=250\r\nTESTO DES='Grazie'\r\nCHIUSURA\r\n" >"$shared/S0001.TXT"
printf 'VEND REP=2,PREZZO=1000\r\nSCONTO X=1\r\nCHIUSURA\r\n' >"$shared/S0002.TXT"
run_bridge "translated receipts (Proto=0): S0001.TXT, S0002.TXT (with an unknown command)"

# Round 2: a receipt already in XON/XOFF form, sent unchanged.
write_ini 1
printf '=R1/$500\r\n="PROVA XON/XOFF"\r\n=T1\r\n' >"$shared/S0003.SCO"
run_bridge "XON/XOFF receipt (Proto=1): S0003.SCO"

stop_register
echo
echo "=== what the register received"
cat "$demo/register.txt"
echo
echo "=== the bridge's log"
cat "$shared"/log/log_*.LOG | tr -d '\r' | iconv -f CP1252 -t UTF-8
echo
echo "=== files"
ls -l "$shared" "$shared/log"
echo
echo "demo: shared folder $shared (receipts kept as .BAK), log and copies in $shared/log,"
echo "demo: settings $demo/ECR.INI (stored enciphered as $demo/ECR.BLW), register output $demo/register.txt"
