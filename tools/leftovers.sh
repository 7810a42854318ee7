#!/bin/bash
# Lists the processes a run left behind: every process (Wine's, wineserver,
# Xvfb, socat, a test program) started with a WINEPREFIX inside FOLDER. The
# scripts export WINEPREFIX before they start anything, so this counts one
# run's own and never another worktree's. Exit 1 when any is left.
#   tools/leftovers.sh [--kill] FOLDER   (--kill: end them too)
set -uo pipefail
kill=0
if [ "${1:-}" = --kill ]; then kill=1; shift; fi
folder=${1:?usage: leftovers.sh [--kill] FOLDER}
folder=${folder%/}
# What this script starts must not count itself.
unset WINEPREFIX

# This process and its callers carry the variable too when a script runs it.
skip=" $$ "
pid=$$
while [ "$pid" -gt 1 ] 2>/dev/null; do
  pid=$(awk '/^PPid:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) || break
  skip+="$pid "
done

# One pass over every process's environment (NUL-separated entries).
pattern="^WINEPREFIX=$(sed 's/[][\\.*^$]/\\&/g' <<<"$folder")\(/.*\)\?\$"
found=()
for file in $(grep -lzas -e "$pattern" /proc/[0-9]*/environ); do
  pid=${file#/proc/}
  pid=${pid%/environ}
  case $skip in *" $pid "*) continue ;; esac
  found+=("$pid")
done
[ ${#found[@]} = 0 ] && exit 0

for pid in "${found[@]}"; do
  echo "left running: $pid $(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | cut -c1-120)"
done
if [ "$kill" = 1 ]; then
  kill -KILL "${found[@]}" 2>/dev/null
fi
exit 1
