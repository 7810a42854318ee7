# Sourced: the set-up and the runs as named stages, one line each. What a
# stage's commands print (compilers' warnings included) goes to the stage's
# log, which is shown only when the stage fails.

# stage TITLE LOG COMMAND...: runs COMMAND with its output in LOG (started
# afresh); prints "TITLE  done in N s" or "TITLE  FAILED" and the log's end.
# COMMAND should be a program: bash ignores `set -e` inside a function
# whose status is tested.
stage() {
  stage_begin "$1" "$2"
  stage_show "$1"
  stage_step "$1" "${@:3}" || true
  stage_end "$1"
}

# A stage in parts, some of them in the background while other stages run:
#   stage_begin TITLE LOG      its clock starts, its log afresh
#   stage_show TITLE           its title now, when no other line is open
#   stage_step TITLE COMMAND   runs a part now; its status is the part's
#   stage_bg TITLE COMMAND     runs a part in the background
#   stage_end TITLE            waits for that part, then prints the line
# The lines come in the order of the stage_end calls; a line's time is its
# stage's own, from its beginning to the end of its last part. A part in
# the background runs in a process group of its own, which stage_stop ends,
# while it runs, with everything it started.
declare -A stage_t0=() stage_log=() stage_rc=() stage_pid=()
stage_shown=  # the stage whose title is printed, its result not yet

stage_begin() {  # TITLE LOG
  stage_t0[$1]=$EPOCHSECONDS
  stage_log[$1]=$2
  stage_rc[$1]=0
  mkdir -p "$(dirname "$2")"
  : >"$2"
}

stage_show() {  # TITLE
  [ -z "$stage_shown" ] || return 0
  printf '%-13s ' "$1"
  stage_shown=$1
}

stage_step() {  # TITLE COMMAND...
  local title=$1 rc=0
  shift
  "$@" >>"${stage_log[$title]}" 2>&1 </dev/null || rc=$?
  stage_rc[$title]=$rc
  return "$rc"
}

stage_bg() {  # TITLE COMMAND...
  local log=${stage_log[$1]}
  rm -f "$log.end"
  # Its status and the time it ended, for stage_end to report however late.
  setsid bash -c '"$@" >>"$0" 2>&1 </dev/null; rc=$?; echo "$rc $EPOCHSECONDS" >"$0.end"; exit $rc' \
    "$log" "${@:2}" &
  stage_pid[$1]=$!
}

stage_end() {  # TITLE
  local title=$1 log=${stage_log[$1]} rc=${stage_rc[$1]} t1=$EPOCHSECONDS
  [ "$stage_shown" = "$title" ] || printf '%-13s ' "$title"
  stage_shown=
  if [ -n "${stage_pid[$title]:-}" ]; then
    wait "${stage_pid[$title]}" && rc=0 || rc=$?
    [ -f "$log.end" ] && read -r rc t1 <"$log.end"
    rm -f "$log.end"
    unset "stage_pid[$title]"
  fi
  if [ "$rc" = 0 ]; then
    echo "done in $((t1 - stage_t0[$title])) s"
  else
    echo "FAILED (exit $rc); the end of its log $log:"
    tail -n 40 "$log" | sed 's/^/  | /'
  fi
  return "$rc"
}

# Ends the stages still running in the background, and what they started.
# One that has ended (its .end file written) is not signalled, nor what it
# left running: its number may belong to another process by now.
stage_stop() {
  local title
  for title in "${!stage_pid[@]}"; do
    [ -f "${stage_log[$title]}.end" ] ||
      kill -TERM -- "-${stage_pid[$title]}" 2>/dev/null || true
  done
  for title in "${!stage_pid[@]}"; do
    wait "${stage_pid[$title]}" 2>/dev/null || true
    rm -f "${stage_log[$title]}.end"
    unset "stage_pid[$title]"
  done
}

# stage_note TITLE TEXT: the line of a stage that had nothing to do.
stage_note() {
  printf '%-13s %s\n' "$1" "$2"
}
