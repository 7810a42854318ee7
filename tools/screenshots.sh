#!/bin/bash
# Pictures of the bridge program's windows: VARNESK started from a prepared
# program folder (test mode, no register needed) under a private X display;
# the settings window opened as the tray menu's "Apri" does, and the wait
# form; each captured whole-screen and cut to the window, as PNG files.
#   BUILD_DIR=...   build to take VARNESK.exe from (default: build)
# Writes $build/screenshots/*.png; stops VARNESK and the display on exit.
set -euo pipefail
source "$(dirname "$0")/env.sh"
export WINEPREFIX=${SHOTS_WINEPREFIX:-$here/build/wineprefix}
out="$build/screenshots"
work="$build/shots"
winpath() { echo "Z:${1//\//\\}"; }
vkpost() { wine "$build/bin/vkpost.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

for tool in Xvfb xwd convert; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing"; exit 1; }
done
[ -f "$build/bin/VARNESK.exe" ] && [ -f "$build/bin/vkpost.exe" ] ||
  { echo "screenshots: build VARNESK and vkpost in $build first"; exit 1; }

xvfb_pid="" bridge_pid=""
stop_all() {
  if [ -n "$bridge_pid" ] && kill -0 "$bridge_pid" 2>/dev/null; then
    wine "$build/bin/varneskctl.exe" quit 60 </dev/null >/dev/null 2>&1 || true
    for _ in $(seq 100); do kill -0 "$bridge_pid" 2>/dev/null || break; sleep 0.2; done
    kill "$bridge_pid" 2>/dev/null || true
    wait "$bridge_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap stop_all EXIT
trap 'exit 130' INT TERM

fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
[ -s "$fdfile" ] || { echo "screenshots: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$fdfile")"
rm -f "$fdfile"

rm -rf "$work"
mkdir -p "$work/shared" "$out"
cp "$build/bin/VARNESK.exe" "$build"/bin/*.dll "$work/"
cat >"$work/ECR.INI" <<INI
[Info]
EcrIp=192.168.1.50
Cartella=$(winpath "$work/shared")
Polltime=10
Proto=0
Port=0
Baud=3
Backup=1
Offline=1
Level=1
Log=0
Ext=TXT,SCO
[Comandi]
1=VEND
2=CHIUSURA
[VEND]
FORMAT=REP+PREZZO
1=REP
2=PREZZO
[REP]
FORMAT=R
[PREZZO]
FORMAT=H
[CHIUSURA]
FORMAT=1T
INI

# One VARNESK per Wine prefix: a second start ends quietly, and every
# request below would reach the one already running.
for _ in $(seq 90); do
  vkpost list >/dev/null 2>&1 || break
  sleep 2
done
if vkpost list >/dev/null 2>&1; then
  echo "screenshots: another VARNESK runs in $WINEPREFIX; try again when it has ended"
  exit 1
fi
wine "$work/VARNESK.exe" </dev/null >"$work/varnesk.txt" 2>&1 &
bridge_pid=$!

# Its hidden main form is published once the settings are loaded.
main=""
for _ in $(seq 120); do
  main=$(vkpost list | awk '$7 == "MOVIRform" && /"Parametri"/ { print $1; exit }') || true
  [ -n "$main" ] && break
  kill -0 "$bridge_pid" 2>/dev/null || { echo "screenshots: VARNESK ended early"; exit 1; }
  sleep 1
done
[ -n "$main" ] || { echo "screenshots: no VARNESK main form"; exit 1; }
sleep 2
kill -0 "$bridge_pid" 2>/dev/null || { echo "screenshots: VARNESK ended (another one started first?)"; exit 1; }

# Waits until the X window of that caption is on screen, then paints settle.
wait_mapped() {  # caption seconds
  local end=$((SECONDS + $2))
  until xwininfo -display "$DISPLAY" -name "$1" 2>/dev/null | grep -q IsViewable; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.2
  done
}

crop() {  # name caption: cuts the named window out of the whole screen
  local geometry
  geometry=$(xwininfo -display "$DISPLAY" -name "$2" 2>/dev/null | awk '
    /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF }
    END { if (w) printf "%dx%d+%d+%d", w, h, x, y }')
  if [ -n "$geometry" ]; then
    convert "$out/$1-screen.png" -crop "$geometry" +repage "$out/$1.png"
    echo "screenshots: $out/$1.png ($geometry) and $out/$1-screen.png"
  else
    echo "screenshots: $out/$1-screen.png"
  fi
}

snap() {  # name caption: the whole screen once the window shows more than one colour
  local name=$1 tries
  wait_mapped "$2" 30 || { echo "screenshots: \"$2\" is not on screen"; return 1; }
  for tries in $(seq 10); do
    sleep 1
    xwd -root -silent -display "$DISPLAY" | convert xwd:- "$out/$name-screen.png"
    [ "$(convert "$out/$name-screen.png" -format %k info:)" -gt 2 ] && break
  done
  crop "$name" "$2"
}

# The settings window: the tray menu's "Apri".
vkpost command -4
snap settings "Parametri" || exit 1

# The wait form is up only while the settings load (the menu's Start after
# a Stop): the screen is taken over and over while it shows, the last kept.
catch_wait_form() {
  local end=$((SECONDS + 60)) frames=0
  while [ $SECONDS -lt $end ]; do
    if xwininfo -display "$DISPLAY" -name "Attende prego..." 2>/dev/null | grep -q IsViewable; then
      # A frame or a geometry taken while the form goes away is dropped.
      xwininfo -display "$DISPLAY" -name "Attende prego..." >"$work/wait.info.part" 2>/dev/null &&
        xwd -root -silent -display "$DISPLAY" >"$work/wait.xwd.part" 2>/dev/null &&
        mv "$work/wait.xwd.part" "$work/wait.xwd" && mv "$work/wait.info.part" "$work/wait.info"
      frames=$((frames + 1))
    elif [ $frames -gt 0 ]; then
      break
    fi
  done
}
rm -f "$work/wait.xwd" "$work/wait.info"
catch_wait_form &
catcher=$!
vkpost command 1006  # Stop
sleep 3
vkpost command 1007  # Start: loads the settings again
wait "$catcher" || true
if [ -s "$work/wait.xwd" ]; then
  convert xwd:"$work/wait.xwd" "$out/waitform-screen.png"
  geometry=$(awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF } END { if (w) printf "%dx%d+%d+%d", w, h, x, y }' "$work/wait.info")
  [ -n "$geometry" ] && convert "$out/waitform-screen.png" -crop "$geometry" +repage "$out/waitform.png"
  echo "screenshots: $out/waitform.png ($geometry) and $out/waitform-screen.png"
else
  echo "screenshots: the wait form did not show long enough to be taken"
fi

# Ends as the tray menu's "Esci" does.
wine "$build/bin/varneskctl.exe" quit 60 </dev/null >/dev/null 2>&1 || echo "screenshots: VARNESK did not end"
