#!/bin/bash
# Pictures of every window of the bridge program and the installer, as the
# README shows them: VARNESK started from a prepared program folder (test
# mode, no register needed), its tray menu, settings window, configuration
# editor, find dialog, log viewer, about box and wait form; then ONDREL.exe
# installing the package with its own list (destination dialog, progress,
# result). Each window is taken once it has painted itself (its own state,
# asked through vkpost), cut out of the screen, and written to
# docs/screenshots/. A window that stays blank fails the script.
#   BUILD_DIR=...   build to take the programs from (default: build)
set -euo pipefail
source "$(dirname "$0")/env.sh"
"$here/tools/setup.sh" shots --build
# A prefix of its own: no other Wine program takes the focus from the
# windows it types into, and no other VARNESK answers its requests.
export WINEPREFIX=${SHOTS_WINEPREFIX:-$build/shots-wineprefix}
out="$here/docs/screenshots"
work="$build/shots"
# The programs' folders lie on the prefix's drive C:, as on a shop computer,
# so the pictures show C:\VARNESK and C:\Program Files rather than this machine's.
drive="$WINEPREFIX/drive_c"
prog="$drive/VARNESK"
setup="$drive/Setup"
vkpost() { wine "$build/bin/vkpost.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

for tool in Xvfb xwd convert; do
  command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing"; exit 1; }
done
for program in VARNESK.exe vkpost.exe varneskctl.exe ONDREL.exe; do
  [ -f "$build/bin/$program" ] || { echo "screenshots: build $program in $build first"; exit 1; }
done
[ -f "$build/dist/ondrel.lst" ] || { echo "screenshots: build the package (dist) in $build first"; exit 1; }

xvfb_pid="" bridge_pid="" installer_pid=""
stop_all() {
  if [ -n "$bridge_pid" ] && kill -0 "$bridge_pid" 2>/dev/null; then
    wine "$build/bin/varneskctl.exe" quit 60 </dev/null >/dev/null 2>&1 || true
  fi
  exec 7>&- 2>/dev/null || true
  stop_prefix $xvfb_pid
  wait 2>/dev/null || true
}
trap stop_all EXIT
trap 'exit 130' INT TERM HUP

fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
[ -s "$fdfile" ] || { echo "screenshots: Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$fdfile")"
rm -f "$fdfile"
"$here/tools/wineprefix.sh" >"$build/shots-wineprefix.log" 2>&1 ||
  { tail -20 "$build/shots-wineprefix.log"; exit 1; }
# The programs run on a Wine desktop of the display's size: Wine draws the
# windows, their frames and their stacking itself, as on Windows (on the
# bare display the X server's order of Wine's windows can differ from Wine's).
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1

failed=()
shown=()

# window_of LIST CLASS CAPTION [EXCLUDED...]: "hwnd WxH+X+Y" of the first
# visible window of that class and caption in `vkpost LIST` (list: VARNESK's
# windows; top: every program's), leaving out the handles given.
window_of() {
  local list=$1 class=$2 caption=$3
  shift 3
  vkpost "$list" | awk -v cls="$class" -v cap="\"$caption\"" -v skip=" $* " '
    $2 == 1 && $7 == cls && substr($0, length($0) - length(cap) + 1) == cap &&
    index(skip, " " $1 " ") == 0 { printf "%s %dx%d+%d+%d\n", $1, $5, $6, $3, $4; exit }'
}

# wait_window LIST CLASS CAPTION [EXCLUDED...]: the same, waiting up to 60 s.
wait_window() {
  local line i
  for i in $(seq 120); do
    line=$(window_of "$@") || true
    [ -n "$line" ] && { echo "$line"; return 0; }
    sleep 0.5
  done
  return 1
}

capture() {  # geometry file: that rectangle of the screen
  xwd -root -silent -display "$DISPLAY" >"$work/screen.xwd" 2>/dev/null &&
    convert xwd:"$work/screen.xwd" -crop "$1" +repage "$2"
}

# An unpainted window shows one flat colour (Wine's X window behind it).
blank() { [ "$(convert "$1" -format %k info:)" -le 1 ]; }

# snap NAME LIST CLASS CAPTION [EXCLUDED...]: waits for the window and
# until it has painted itself and nothing covers it, then takes it. Under
# Wine only popups stay above their owner: a window its owner covers is
# brought up; one still blank is asked to paint itself again; twice at
# most. The window's handle is left in `snapped`.
snapped=""
snap() {
  local name=$1 try line hwnd geometry rc
  shift
  for try in 1 2 3; do
    line=$(wait_window "$@") || { echo "screenshots: \"$3\" did not come up" >&2; break; }
    read -r hwnd geometry <<<"$line"
    rc=0
    vkpost painted "$hwnd" 30 || rc=$?
    if [ "$rc" = 0 ] && sleep 0.5 && capture "$geometry" "$work/$name.png" &&
       ! blank "$work/$name.png"; then
      mv "$work/$name.png" "$out/$name.png"
      shown+=("$name")
      snapped=$hwnd
      return 0
    fi
    if [ "$rc" = 3 ]; then
      vkpost raise "$hwnd" || true
    else
      vkpost redraw "$hwnd" || true
    fi
  done
  echo "screenshots: \"$3\" ($name) stayed blank or covered" >&2
  failed+=("$name")
  return 1
}

close_window() {  # hwnd caption: closes it and waits until it is gone
  vkpost close "$1" || true
  for _ in $(seq 50); do
    vkpost top | awk -v h="$1" '$1 == h { found = 1 } END { exit !found }' || return 0
    sleep 0.2
  done
  echo "screenshots: \"$2\" did not close" >&2
}

rm -rf "$work"
rm -rf "$prog" "$setup" "$drive/Program Files/Varnesk"
mkdir -p "$work" "$prog/shared" "$setup" "$drive/Program Files/Varnesk" "$out"
cp "$build/bin/VARNESK.exe" "$build"/bin/*.dll "$build"/bin/*.DLL "$prog/"
cat >"$prog/ECR.INI" <<INI
[Info]
EcrIp=192.168.1.50
Cartella=C:\VARNESK\shared
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

# --- The bridge program.
wine "$prog/VARNESK.exe" </dev/null >"$work/varnesk.txt" 2>&1 &
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

# The tray menu, as a right click on the icon opens it (only while the main
# form is hidden). A menu has no caption.
vkpost tray || true
if snap traymenu list "#32768" ""; then
  vkpost keys 0 escape || true
  for _ in $(seq 50); do
    [ -n "$(window_of list "#32768" "")" ] || break
    sleep 0.2
  done
fi

# The about box and the wait form come first, while the settings window is
# hidden: opened over it, they stay black under Wine, though they report
# themselves painted.
# The about box: the menu's "Informazioni".
vkpost command 1010 || true
if snap about list MOVIRform "Informazioni"; then
  close_window "$snapped" "Informazioni"
fi

# The wait form is up only while the settings load (the menu's Start after
# a Stop), while the program answers nothing: the screen is taken over and
# over meanwhile, and a frame counts once it shows the form painted with its
# own colours, the "ATTENDERE PREGO." band (RGB 0,64,128) on its background
# (RGB 236,245,255), which also tell where the form is.
catch_wait_form() {  # the frames go to $work/frames, looked at afterwards
  local end=$((SECONDS + 12)) n=0
  rm -rf "$work/frames"
  mkdir -p "$work/frames"
  while [ $SECONDS -lt $end ]; do
    n=$((n + 1))
    xwd -root -silent -display "$DISPLAY" >"$work/frames/$n.xwd" 2>/dev/null || true
  done
}
wait_form_frame() {  # the last frame that shows the wait form, cut to it
  local frame box
  for frame in $(ls "$work/frames" | sort -rn); do
    convert "xwd:$work/frames/$frame" "$work/wait.png" 2>/dev/null || continue
    [[ $(convert "$work/wait.png" -format %c histogram:info:-) == *'#004080'* ]] || continue
    box=$(convert "$work/wait.png" -fill black +opaque '#ECF5FF' -format '%@' info:)
    convert "$work/wait.png" -crop "$box" +repage "$work/waitform.png" && return 0
  done
  return 1
}
for try in 1 2 3; do
  vkpost command 1006 || true  # Stop
  sleep 3
  catch_wait_form &
  catcher=$!
  sleep 1
  vkpost command 1007 || true  # Start: loads the settings again
  wait "$catcher" || true
  wait_form_frame && break
done
rm -rf "$work/frames"
if [ -f "$work/waitform.png" ]; then
  mv "$work/waitform.png" "$out/waitform.png"
  shown+=(waitform)
else
  echo "screenshots: the wait form never showed painted" >&2
  failed+=(waitform)
fi

# The settings window: the tray menu's "Apri".
vkpost command -4 || true
snap settings list MOVIRform "Parametri" || true

# The configuration editor: Ctrl+Shift+F11 on the settings window; a chord
# typed before the window has the focus is lost, so it is typed again.
for _ in 1 2 3; do
  vkpost keys "$main" ctrl+shift+F11 || true
  [ -n "$(window_of list MOVIRform "INI file")" ] && break
  sleep 2
done
if snap editor list MOVIRform "INI file"; then
  editor=$snapped
  # The find dialog: Ctrl+F3 in the editor.
  vkpost keys "$editor" ctrl+F3 || true
  if snap find list MOVIRform "Trova"; then
    close_window "$snapped" "Trova"
  fi
  # Closed unchanged, the editor asks nothing.
  close_window "$editor" "INI file"
fi

# The log viewer: the menu's "Apri file di log" (the same form, read-only).
vkpost command 1001 || true
if snap logviewer list MOVIRform "INI file"; then
  close_window "$snapped" "INI file"
fi

# Ends as the tray menu's "Esci" does.
wine "$build/bin/varneskctl.exe" quit 60 </dev/null >/dev/null 2>&1 || echo "screenshots: VARNESK did not end"
wait "$bridge_pid" 2>/dev/null || true
bridge_pid=""

# The progress window is up for a moment only: the installer is slowed down
# (held and let go by turns) and the screen taken each time it is held, with
# the time, into $work/frames.
slow_down_installer() {
  local n=0
  while kill -STOP "$installer_pid" 2>/dev/null; do
    xwd -root -silent -display "$DISPLAY" >"$work/frames/$n.xwd" 2>/dev/null &&
      echo "$n $(date +%s.%N)" >>"$work/frames/times"
    n=$((n + 1))
    sleep 0.2
    kill -CONT "$installer_pid"
    sleep 0.05
  done
}

# --- The installer: the package as a shop gets it (build/dist), its own list,
# into the folder the list proposes. The folder exists, so no question
# comes up; the installation succeeds, its Program Manager group included.
group="VELK ECR Protocol"
cp "$build"/dist/* "$setup/"
(cd "$setup" && exec wine "$setup/ONDREL.exe" </dev/null >"$work/ondrel.txt" 2>&1) &
installer_pid=$!
if snap installer-destination top MOVIRform "Installer"; then
  dialog=$snapped
  # The whole screen once: the destination dialog on the installer's
  # full-screen background.
  if capture 1024x768+0+0 "$work/installer.png" && ! blank "$work/installer.png"; then
    mv "$work/installer.png" "$out/installer.png"
    shown+=(installer)
  fi
  mkdir -p "$work/frames"
  vkpost click "$dialog" OK || true
  slow_down_installer &
  slower=$!
  # The progress window's handle and place, and when it was seen first and last.
  progress="" first="" last=""
  for _ in $(seq 240); do
    asked=$(date +%s.%N)
    line=$(window_of top MOVIRform "Installer" "$dialog") || true
    if [ -z "$progress" ] && [ -n "$line" ]; then
      read -r progress geometry <<<"$line"
      first=$asked
    fi
    [ -n "$progress" ] || continue
    [ "${line%% *}" = "$progress" ] || break
    last=$(date +%s.%N)
  done
  kill "$slower" 2>/dev/null || true
  wait "$slower" 2>/dev/null || true
  kill -CONT "$installer_pid" 2>/dev/null || true
  # A frame from halfway through the window's life, one that the next frame
  # repeats (the window was not halfway through painting itself).
  candidates=() stable=() previous=""
  [ -n "$progress" ] && mapfile -t candidates < <(awk -v a="$first" -v b="$last" \
    '$2 >= a && $2 <= b { print $1 }' "$work/frames/times")
  for frame in "${candidates[@]}"; do
    convert "xwd:$work/frames/$frame.xwd" -crop "$geometry" +repage "$work/frames/$frame.png" ||
      continue
    [ -n "$previous" ] &&
      [ "$(compare -metric AE "$work/frames/$previous.png" "$work/frames/$frame.png" null: 2>&1 || true)" = 0 ] &&
      stable+=("$previous")
    previous=$frame
  done
  [ ${#stable[@]} -gt 0 ] || stable=("${candidates[@]}")
  frame=${stable[$((${#stable[@]} / 2))]:-}
  if [ -n "$frame" ] && ! blank "$work/frames/$frame.png"; then
    mv "$work/frames/$frame.png" "$out/installer-progress.png"
    shown+=(installer-progress)
  else
    echo "screenshots: the progress window was never taken" >&2
    failed+=(installer-progress)
  fi
  rm -rf "$work/frames"
  # A box instead of the result means the installation did not go through.
  box="" result=""
  for _ in $(seq 120); do
    box=$(window_of top "#32770" "") || true
    result=$(window_of top MOVIRform "Installer" "$dialog" "$progress") || true
    [ -n "$box$result" ] && break
    sleep 0.5
  done
  if [ -n "$box" ]; then
    echo "screenshots: the installer put up a box ($box)" >&2
    failed+=(installer-result)
  else
    # The shell opens the new group's folder in a window of its own, over
    # the result window (which then stays black): closed first.
    for _ in $(seq 60); do
      shell=$(vkpost top | awk -v cap="\"$group\"" '
        substr($0, length($0) - length(cap) + 1) == cap { print $1; exit }') || true
      [ -n "$shell" ] && { close_window "$shell" "$group"; break; }
      sleep 0.5
    done
    if snap installer-result top MOVIRform "Installer" "$dialog" "$progress"; then
      vkpost click "$snapped" Ok || true
    fi
  fi
fi
for _ in $(seq 100); do kill -0 "$installer_pid" 2>/dev/null || break; sleep 0.3; done
kill -0 "$installer_pid" 2>/dev/null && echo "screenshots: ONDREL.exe did not end" >&2

echo "screenshots: ${#shown[@]} windows in $out: ${shown[*]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "screenshots: FAILED: ${failed[*]}"
  exit 1
fi
