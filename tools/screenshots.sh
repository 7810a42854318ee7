#!/bin/bash
# Pictures of the bridge program's windows: VARNESK started from a prepared
# program folder (test mode, no register needed) under a private X display;
# the tray menu, the settings window opened as the menu's "Apri" does, the
# configuration editor, the about box and the wait form; each captured
# whole-screen and cut to the window, as PNG files.
#   BUILD_DIR=...   build to take VARNESK.exe from (default: build)
# Writes $build/screenshots/*.png; stops VARNESK and the display on exit.
set -euo pipefail
source "$(dirname "$0")/env.sh"
# A prefix of its own: no other Wine program takes the focus from the
# windows it types into, and no other VARNESK answers its requests.
export WINEPREFIX=${SHOTS_WINEPREFIX:-$build/shots-wineprefix}
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
cp "$build/bin/VARNESK.exe" "$build"/bin/*.dll "$build"/bin/*.DLL "$work/"
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

geometry_of() {  # caption: the window's rectangle as WxH+X+Y
  xwininfo -display "$DISPLAY" -name "$1" 2>/dev/null | awk '
    /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF }
    END { if (w) printf "%dx%d+%d+%d", w, h, x, y }'
}

snap() {  # name caption: the whole screen, and the window cut out of it once
          # the window shows more than two colours (painted, not just mapped)
  local name=$1 tries geometry=""
  wait_mapped "$2" 30 || { echo "screenshots: \"$2\" is not on screen"; return 1; }
  for tries in $(seq 15); do
    sleep 1
    xwd -root -silent -display "$DISPLAY" | convert xwd:- "$out/$name-screen.png"
    geometry=$(geometry_of "$2")
    [ -n "$geometry" ] || continue
    convert "$out/$name-screen.png" -crop "$geometry" +repage "$out/$name.png"
    [ "$(convert "$out/$name.png" -format %k info:)" -gt 2 ] && break
  done
  if [ -n "$geometry" ]; then
    echo "screenshots: $out/$name.png ($geometry) and $out/$name-screen.png"
  else
    echo "screenshots: $out/$name-screen.png"
  fi
}

# The tray menu, as a right click on the icon opens it (only while the main
# form is hidden). A menu has no caption: it is cut out by its own rectangle.
vkpost tray
menu=""
for _ in $(seq 50); do
  menu=$(vkpost list | awk '$2 == 1 && $7 == "#32768" { print $3 "+" $4 "+" $5 "+" $6; exit }') || true
  [ -n "$menu" ] && break
  sleep 0.2
done
if [ -n "$menu" ]; then
  sleep 1
  xwd -root -silent -display "$DISPLAY" | convert xwd:- "$out/traymenu-screen.png"
  IFS=+ read -r mx my mw mh <<<"$menu"
  convert "$out/traymenu-screen.png" -crop "${mw}x${mh}+${mx}+${my}" +repage "$out/traymenu.png"
  echo "screenshots: $out/traymenu.png (${mw}x${mh}+${mx}+${my}) and $out/traymenu-screen.png"
  vkpost keys 0 escape
  for _ in $(seq 50); do
    vkpost list | awk '$2 == 1 && $7 == "#32768" { found = 1 } END { exit !found }' || break
    sleep 0.2
  done
else
  echo "screenshots: the tray menu did not open"
fi

# The settings window: the tray menu's "Apri".
vkpost command -4
snap settings "Parametri" || exit 1

# The configuration editor: Ctrl+Shift+F11 on the settings window. Closed
# unchanged, it asks nothing.
# A chord typed before the window has the focus is lost: typed again.
for _ in 1 2 3; do
  vkpost keys "$main" ctrl+shift+F11
  wait_mapped "INI file" 10 && break
done
if snap editor "INI file"; then
  editor=$(vkpost list | awk '$7 == "MOVIRform" && /"INI file"/ { print $1; exit }') || true
  if [ -z "$editor" ] || ! vkpost close "$editor"; then
    echo "screenshots: the editor could not be closed"
  fi
  sleep 2
fi

# The about box: the menu's "Informazioni".
vkpost command 1010
if snap about "Informazioni"; then
  about=$(vkpost list | awk '$7 == "MOVIRform" && /"Informazioni"/ { print $1; exit }') || true
  if [ -z "$about" ] || ! vkpost close "$about"; then
    echo "screenshots: the about box could not be closed"
  fi
  sleep 2
fi

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
