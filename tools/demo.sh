#!/bin/bash
# The main job: builds the programs, starts a register on loopback, lets the
# bridge carry a shared folder's receipts to it and shows what arrived. One
# line per stage, then the result; each stage's output goes to its log.
#   DEMO_BUILD=0    skip setup and build (use what is built)
#   DEMO_SESSION=0  run in the caller's Wine session (no own Xvfb/wineserver)
set -euo pipefail
source "$(dirname "$0")/env.sh"
source "$here/tools/stages.sh"
cd "$here"
demo="$build/demo"
shared="$demo/shared"
winpath() { echo "Z:${1//\//\\}"; }

# The run itself, as a stage of its own (below): the register and two
# rounds of the bridge.
run() {
  rm -rf "$demo"
  mkdir -p "$shared"
  "$here/tools/winerun" "$build/bin/ecrdemo.exe" 127.0.0.1 >"$demo/library.txt" || true
  cat "$demo/library.txt"

  # The register: UDP answers come from 127.0.0.1 under Wine, so it lives there.
  "$here/tools/winerun" "$build/bin/demoreg.exe" 127.0.0.1 "$(winpath "$demo/stop")" \
    >"$demo/register.txt" 2>&1 &
  reg_pid=$!
  trap stop_register EXIT
  for _ in $(seq 150); do grep -q "listening" "$demo/register.txt" 2>/dev/null && break; sleep 0.2; done
  grep -q "listening" "$demo/register.txt" || { cat "$demo/register.txt"; echo "no register"; exit 1; }

  # The bridge program itself runs from the demo folder (its program folder),
  # so it imports the ECR.INI written there at every start.
  cp "$build/bin/VARNESK.exe" "$build"/bin/*.dll "$build"/bin/*.DLL "$demo/"

  # Round 1: receipts of the shop's command language, translated.
  write_ini 0
  printf "; scontrino 1\r\nVEND REP=1,PREZZO=250\r\nTESTO DES='Grazie'\r\nCHIUSURA\r\n" >"$shared/S0001.TXT"
  printf 'VEND REP=2,PREZZO=1000\r\nSCONTO X=1\r\nCHIUSURA\r\n' >"$shared/S0002.TXT"
  run_bridge "translated receipts (Proto=0): S0001.TXT, S0002.TXT (with an unknown command)"

  # Round 2: a receipt already in XON/XOFF form, sent unchanged.
  write_ini 1
  printf '=R1/$500\r\n="PROVA XON/XOFF"\r\n=T1\r\n' >"$shared/S0003.SCO"
  run_bridge "XON/XOFF receipt (Proto=1): S0003.SCO"
}

stop_register() {
  [ -n "${reg_pid:-}" ] || return 0
  touch "$demo/stop"
  for _ in $(seq 50); do kill -0 "$reg_pid" 2>/dev/null || break; sleep 0.2; done
  kill "$reg_pid" 2>/dev/null || true
  wait "$reg_pid" 2>/dev/null || true
  reg_pid=
}

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

pending() {  # receipts still waiting in the shared folder
  find "$shared" -maxdepth 1 -type f \( -iname '*.TXT' -o -iname '*.SCO' \) | wc -l
}

run_bridge() {  # round title
  echo "=== $1"
  "$here/tools/winerun" "$demo/VARNESK.exe" >"$demo/varnesk.txt" 2>&1 &
  local pid=$! rc=0
  for _ in $(seq 600); do
    [ "$(pending)" = 0 ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  if [ "$(pending)" = 0 ]; then
    echo "VARNESK emptied the shared folder"
  else
    echo "the bridge did not empty the shared folder"; rc=1
  fi
  # Ends as its tray menu's "Esci" does: the worker finishes, then the program.
  "$here/tools/winerun" "$build/bin/varneskctl.exe" quit 60 || rc=1
  wait "$pid" || { echo "VARNESK exit $?"; rc=1; }
  return $rc
}

if [ "${1:-}" = --run ]; then
  run
  exit
fi

if [ "${DEMO_BUILD:-1}" != 0 ]; then
  # Only the programs it runs.
  "$here/tools/setup.sh" --build --target VARNESK varneskctl ecrdemo demoreg winewarm
fi
if [ "${DEMO_SESSION:-1}" != 0 ]; then
  source "$here/tools/session.sh"
  session_start >"$build/session.log" 2>&1
fi
stage run "$build/demo.log" "$here/tools/demo.sh" --run

echo
echo "VARNESK.exe, with $(head -n1 "$demo/library.txt" | tr -d '\r'), carried three receipts"
echo "from the shared folder to a simulated register on 127.0.0.1: S0001.TXT and"
echo "S0002.TXT translated from the shop's command language (Proto=0), S0003.SCO"
echo "sent as it stands (Proto=1)."
echo
echo "What the register received, one line per command:"
tr -d '\r' <"$demo/register.txt" | sed -n 's/^register: received *[0-9]* bytes: /  /p'
echo
# A receipt's last message ends without a line break (the next receipt block
# begins with one): a service start's banner right after it gets its own line.
echo "The bridge's log ($(basename "$(ls "$shared"/log/log_*.LOG)")):"
tr -d '\r' <"$shared"/log/log_*.LOG | iconv -f CP1252 -t UTF-8 |
  sed 's/\(.\)\(VELK ECR Protocol - \)/\1\n\2/' | grep -v '^$' | sed 's/^/  /'
echo
echo "Receipts kept as .BAK in $shared, copies and the log in"
echo "$shared/log, the settings in $demo/ECR.INI; each stage's log in $build/*.log."
