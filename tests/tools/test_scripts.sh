#!/bin/bash
# The set-up and run scripts: package sources from the machine's own apt
# configuration, stages that keep their output in their logs, and the count
# of a run's leftover processes. Each row names itself when it fails.
set -uo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
sleepers=()
trap 'kill "${sleepers[@]}" 2>/dev/null; rm -rf "$tmp"' EXIT
failures=0
passes=0

check() {  # row expected actual
  if [ "$2" == "$3" ]; then
    passes=$((passes + 1))
  else
    failures=$((failures + 1))
    printf 'FAILED: %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
  fi
}

# --- No tracked file names a package host or any other web address.
if git -C "$here" rev-parse --git-dir >/dev/null 2>&1; then
  hits=$(git -C "$here" grep -n -I -E '\b(https?|ftp)://|deb\.debian\.org' -- . |
         head -n 3 | tr '\n' ' ')
  check "no tracked file names a package host" "" "$hits"
fi

# --- A missing suite is added on the mirror the machine's sources name.
source "$here/tools/debsources.sh"
codename=$(release_codename)
apt_root() {  # row: a fake apt configuration of its own; prints APT_CONFIG
  local root=$tmp/apt-$1
  mkdir -p "$root/parts" "$root/lists/partial"
  : >"$root/sources.list"
  printf 'Dir::Etc::sourcelist "%s";\nDir::Etc::sourceparts "%s";\nDir::State::lists "%s";\nDir::Etc::preferences "%s";\n' \
    "$root/sources.list" "$root/parts" "$root/lists" "$root/preferences" >"$root/apt.conf"
  echo "$root/apt.conf"
}
suite_rows=(
  "deb822 file|parts/debian.sources|Types: deb\nURIs: file:/srv/mirror/debian\nSuites: $codename $codename-updates\nComponents: main\n\nTypes: deb\nURIs: file:/srv/security/debian-security\nSuites: $codename-security\nComponents: main\n"
  "one-line entries|sources.list|deb file:/srv/security/debian-security $codename-security main\ndeb [arch=amd64] file:/srv/mirror/debian $codename main contrib\n"
)
for row in "${suite_rows[@]}"; do
  IFS='|' read -r name file text <<<"$row"
  conf=$(apt_root "${name// /-}")
  printf "$text" >"$(dirname "$conf")/$file"
  export APT_CONFIG=$conf
  check "$name: backports not there yet" "absent" "$(has_suite deb "$codename-backports" && echo present || echo absent)"
  add_suite deb "$codename-backports"
  written=$(cat "$(dirname "$conf")/parts/$codename-backports-deb.sources" 2>/dev/null | tr '\n' ';')
  check "$name: backports added on the machine's mirror" \
    "Types: deb;URIs: file:/srv/mirror/debian/;Suites: $codename-backports;Components: main;" "$written"
  check "$name: apt reads the added suite" "present" \
    "$(has_suite deb "$codename-backports" && echo present || echo absent)"
  unset APT_CONFIG
done
conf=$(apt_root "no-mirror")
printf 'deb file:/srv/security/debian-security %s-security main\n' "$codename" >"${conf%/apt.conf}/sources.list"
APT_CONFIG=$conf add_suite deb "$codename-backports" 2>/dev/null
rc=$?
check "no mirror for the release: refused, nothing added" "1 0" "$rc $(ls "${conf%/apt.conf}/parts" | wc -l)"

# --- A suite of which the machine has no index yet (or a stale one) is
# pinned below the others for an install; the pin file goes with the
# process that made it, however the stage ends.
conf=$(apt_root pin)
printf 'deb [arch=amd64,i386] file:/srv/mirror/debian %s main\n' "$codename" >"${conf%/apt.conf}/sources.list"
mkdir "$tmp/sys"
out=$(export APT_CONFIG=$conf TMPDIR=$tmp/sys; apt_pin_stale 2>/dev/null; tr '\n' ';' <"$apt_pin_file")
check "a suite with no index is pinned below the others" \
  "Package: *;Pin: release n=$codename;Pin-Priority: 90;;" "$out"
check "the pin file goes with the process that made it" "" "$(ls -A "$tmp/sys")"

# --- A stage shows one line, or its log when it fails.
source "$here/tools/stages.sh"
printf '#!/bin/sh\necho "compiling"; echo "warning: unused" >&2; exit ${1:-0}\n' >"$tmp/compile"
chmod +x "$tmp/compile"
out=$(stage build "$tmp/ok.log" "$tmp/compile" 0 | sed 's/[0-9]* s$/N s/')
check "a stage that works prints one line" "build         done in N s" "$out"
check "a stage that works keeps its output in its log" "compiling warning: unused" \
  "$(tr '\n' ' ' <"$tmp/ok.log" | sed 's/ $//')"
out=$(stage build "$tmp/bad.log" "$tmp/compile" 3; echo "status $?")
check "a stage that fails shows its log and its status" \
  "build         FAILED (exit 3); the end of its log $tmp/bad.log:|  | compiling|  | warning: unused|status 3" \
  "$(tr '\n' '|' <<<"$out" | sed 's/|$//')"

# --- Leftovers: a run's own processes, by the Wine prefix they carry.
mine=$tmp/run/build
WINEPREFIX=$mine/wineprefix sleep 60 &
sleepers+=($!); own=$!; disown
WINEPREFIX=$mine/shots-wineprefix sleep 60 &
sleepers+=($!); own2=$!; disown
WINEPREFIX=$tmp/run/build2/wineprefix sleep 60 &
sleepers+=($!); other=$!; disown
out=$("$here/tools/leftovers.sh" "$mine" | awk '{ print $3 }' | sort -n | tr '\n' ' ')
check "leftovers lists the run's own processes, not another folder's" \
  "$(printf '%s\n' "$own" "$own2" | sort -n | tr '\n' ' ')" "$out"
"$here/tools/leftovers.sh" --kill "$mine/wineprefix" >/dev/null
sleep 0.5
# A killed child stays a zombie ("Z") until this script reaps it.
state() { awk '{ print ($3 == "Z" ? "gone" : "alive") }' "/proc/$1/stat" 2>/dev/null || echo gone; }
check "leftovers --kill ends only the prefix it is given" "gone alive alive" \
  "$(state "$own") $(state "$own2") $(state "$other")"
"$here/tools/leftovers.sh" "$tmp/nothing" >/dev/null
check "leftovers of a folder with nothing running" "0" "$?"

# --- Stages in the background: their lines in the order they are waited
# for, a failure with its log; one stopped early leaves nothing it started.
out=$(stage_begin fetch "$tmp/fetch.log"; stage_bg fetch "$tmp/compile" 4
      stage_begin build "$tmp/bg.log"; stage_bg build "$tmp/compile" 0
      stage_end build; stage_end fetch; echo "status $?")
check "stages in the background print their lines in order, a failure with its log" \
  "build         done in N s|fetch         FAILED (exit 4); the end of its log $tmp/fetch.log:|  | compiling|  | warning: unused|status 4" \
  "$(sed 's/done in [0-9]* s$/done in N s/' <<<"$out" | tr '\n' '|' | sed 's/|$//')"
printf '#!/bin/sh\nsleep 60 &\necho $! >"$1"\nsleep 30\n' >"$tmp/hang"
chmod +x "$tmp/hang"
started=$(stage_begin hang "$tmp/hang.log"; stage_bg hang "$tmp/hang" "$tmp/hang.pid"
          for _ in $(seq 100); do [ -s "$tmp/hang.pid" ] && break; sleep 0.1; done
          stage_stop; cat "$tmp/hang.pid")
sleepers+=("$started")
for _ in $(seq 20); do [ "$(state "$started")" = gone ] && break; sleep 0.1; done
check "a stage in the background, stopped, leaves nothing it started running" "gone" "$(state "$started")"
# One that has ended is not signalled: here its number is another's.
setsid sleep 60 </dev/null >/dev/null 2>&1 &
other=$!
sleepers+=("$other")
(stage_begin quick "$tmp/quick.log"; stage_bg quick true
 for _ in $(seq 100); do [ -f "$tmp/quick.log.end" ] && break; sleep 0.1; done
 stage_pid[quick]=$other
 stage_stop)
sleep 0.2
check "a stage that has ended is not signalled when the others are stopped" "alive" "$(state "$other")"

# --- Scintilla's source is fetched afresh whenever its tree is not there:
# an archive that a stopped run cut short (here of an older release) is
# never unpacked. Here apt is a stand-in that hands over a whole archive.
mkdir -p "$tmp/sci/bin" "$tmp/sci/whole/scite-5/scintilla/win32" "$tmp/sci/build/scintilla"
tar -czf "$tmp/sci/scite_5.orig.tar.gz" -C "$tmp/sci/whole" scite-5
head -c 100 "$tmp/sci/scite_5.orig.tar.gz" >"$tmp/sci/build/scintilla/scite_4.orig.tar.gz"
cat >"$tmp/sci/bin/apt-get" <<EOS
#!/bin/sh
case "\$1" in
  indextargets) echo "deb-src $codename file:/srv/mirror/debian/" ;;
  source) echo "\$*" >>"$tmp/sci/asked"; cp "$tmp/sci/scite_5.orig.tar.gz" . ;;
esac
EOS
chmod +x "$tmp/sci/bin/apt-get"
PATH=$tmp/sci/bin:$PATH BUILD_DIR=$tmp/sci/build "$here/tools/build-scintilla.sh" >/dev/null 2>&1
check "a cut archive of an earlier run is not unpacked: the source is fetched again" \
  "source --download-only scite|tree" \
  "$(cat "$tmp/sci/asked" 2>/dev/null)|$(ls -d "$tmp/sci/build/scintilla/tree/scite-5/scintilla/win32" >/dev/null 2>&1 && echo tree)"

# --- The test session keeps its desktop process through a pause between
# programs: started anew, it would hold the output pipe of the test that
# opened the next window, and ctest would wait for that test until its
# time-out. Runs in the session test.sh starts (its display and prefix).
explorer_of_session() {
  local file
  for file in $(grep -lzas -e "^WINEPREFIX=${WINEPREFIX:-}\$" /proc/[0-9]*/environ); do
    file=${file%/environ}
    tr '\0' ' ' 2>/dev/null <"$file/cmdline" | grep 'explorer\.exe' >/dev/null && echo "${file#/proc/}"
  done | head -n1
}
warm=$here/build/bin/winewarm.exe
if [ -n "${DISPLAY:-}" ] && [ -n "${WINEPREFIX:-}" ] && [ -f "$warm" ]; then
  (cd "$tmp" && wine "$warm" </dev/null >/dev/null 2>&1)
  before=$(explorer_of_session)
  sleep 3
  (cd "$tmp" && wine "$warm" </dev/null >/dev/null 2>&1)
  after=$(explorer_of_session)
  check "the session's desktop process outlives a pause" "${before:-none}" "${after:-none}"
else
  check "a test session (display, Wine prefix, winewarm.exe) to run in" "present" "missing"
fi

# --- The stages leave nothing of theirs in the temporary folder: Wine's
# server folder for a prefix goes once the prefix's server has ended.
if [ -n "${WINEPREFIX:-}" ] && [ -f "$WINEPREFIX/system.reg" ]; then
  out=$(export TMPDIR=$tmp/wine-tmp BUILD_DIR=$tmp/build
        mkdir -p "$TMPDIR" "$BUILD_DIR"
        cp -a "$WINEPREFIX" "$BUILD_DIR/wineprefix"
        unset WINEPREFIX
        source "$here/tools/env.sh"
        (cd "$tmp" && wine cmd /c exit </dev/null >/dev/null 2>&1)
        before=$(find "$TMPDIR" -name lock | wc -l)
        stop_prefix 2>/dev/null
        echo "$before $(find "$TMPDIR" -mindepth 1 | wc -l)")
  check "a prefix's Wine server leaves its folder, removed when it has ended" "1 0" "$out"
else
  check "the session's Wine prefix (tools/test.sh prepares it)" "present" "missing"
fi

# --- The session's PostgreSQL server starts whatever folder the clone is
# in: here a build folder inside a folder only root may enter (as root's home
# on Debian 12), and its data goes with the session.
mkdir -m 700 "$tmp/private"
out=$(
  build=$tmp/private/clone/build
  mkdir -p "$build"
  source "$here/tools/pgserver.sh"
  unset CORVEX_TEST_PGPORT
  session_postgres >/dev/null
  answer=$(psql -h 127.0.0.1 -p "${CORVEX_TEST_PGPORT:-0}" -U postgres -d postgres -tAc 'SELECT 6*7' 2>&1)
  data=$pg_dir
  postgres_stop
  echo "answer=$answer left=$(ls -d "$data" 2>/dev/null | wc -l)"
)
check "a clone in a private folder gets its PostgreSQL server, removed at the end" "answer=42 left=0" "$out"

# A second run ends what the lanes of the first left running, with no
# wineserver left to stop.
mkdir -p "$tmp/rerun/lanes/0/wineprefix"
WINEPREFIX=$tmp/rerun/lanes/0/wineprefix sleep 60 </dev/null >/dev/null 2>&1 &
left=$!
sleepers+=("$left")
disown
out=$(set -euo pipefail; source "$here/tools/env.sh"; build=$tmp/rerun
      source "$here/tools/lanes.sh"; lanes_stop 2>/dev/null; echo stopped)
for _ in $(seq 20); do [ "$(state "$left")" = gone ] && break; sleep 0.1; done
check "the lanes of an earlier run are stopped by the next" "stopped gone" "$out $(state "$left")"

# A lane starts only on whole copies: a failed one (a full disk) fails the
# stage, with the copy's error in its log, once every copy has ended (here
# lane 1's cp takes a second longer).
mkdir -p "$tmp/lanecopy/slow"
cat >"$tmp/lanecopy/slow/cp" <<EOS
#!/bin/sh
case "\$*" in */lanes/1/*) sleep 1 ;; esac
/bin/cp "\$@"; rc=\$?
case "\$*" in */lanes/1/*) echo "lane 1 ended" >"$tmp/lanecopy/lane1" ;; esac
exit \$rc
EOS
chmod +x "$tmp/lanecopy/slow/cp"
out=$(source "$here/tools/env.sh"; build=$tmp/lanecopy; WINEPREFIX=$tmp/lanecopy/no-prefix
      PATH=$tmp/lanecopy/slow:$PATH
      mkdir -p "$build/bin"
      source "$here/tools/lanes.sh"
      lane_count=2
      lane_start() { echo "$1" >>"$tmp/lanecopy/started"; }
      stage lanes "$tmp/lanecopy.log" lanes_start >/dev/null
      echo "status $?|$(cat "$tmp/lanecopy/lane1" 2>/dev/null)")
check "a failed lane copy fails the stage, with its error, once every copy ended, and starts no lane" \
  "status 1|lane 1 ended|cannot stat|no lane" \
  "$out|$(grep -o 'cannot stat' "$tmp/lanecopy.log" | head -n1)|$([ -e "$tmp/lanecopy/started" ] && echo started || echo no lane)"

# --- Lanes: each its own loopback and its own copy of the program folder.
lanes=$here/build/lanes
if [ -f "$lanes/0/env" ] && [ -f "$lanes/1/env" ]; then
  bind_port() {  # lane: listens on a port of the lane's 127.0.0.1 for a moment
    (source "$lanes/$1/env"
     exec nsenter --net="$lane_netns_path" python3 -c \
       'import socket,time; s=socket.socket(); s.bind(("127.0.0.1",40999)); s.listen(); print("bound"); time.sleep(2)') 2>&1
  }
  bind_port 0 >"$tmp/lane0" &
  bind_port 1 >"$tmp/lane1"
  wait
  check "two lanes hold one port of 127.0.0.1 at once" "bound bound" "$(cat "$tmp/lane0") $(cat "$tmp/lane1")"
  # Its display's socket file may be taken over by a server of another
  # namespace; the abstract socket of the lane's own namespace may not.
  display_of_lane() {
    (source "$lanes/$1/env"
     exec nsenter --net="$lane_netns_path" python3 -c 'import os,socket
s=socket.socket(socket.AF_UNIX); s.connect("\0/tmp/.X11-unix/X"+os.environ["DISPLAY"][1:]); print("reached")') 2>&1
  }
  check "each lane reaches its display inside its namespace" "reached reached" \
    "$(display_of_lane 0) $(display_of_lane 1)"
  folder=$(cd "$here/build/bin" && CTEST_RESOURCE_GROUP_0_LANES=id:1,slots:1 \
    "$here/tools/winerun" cmd /c cd </dev/null 2>/dev/null | tr -d '\r')
  check "a test in lane 1 runs in that lane's program folder" \
    "Z:$(sed 's|/|\\|g' <<<"$lanes/1/bin")" "$folder"
else
  check "the session's lanes (tools/test.sh starts them)" "present" "missing"
fi

echo "$passes passed, $failures failed"
[ "$failures" = 0 ]
