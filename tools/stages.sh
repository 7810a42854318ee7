# Sourced: the set-up and the runs as named stages, one line each. What a
# stage's commands print (compilers' warnings included) goes to the stage's
# log, which is shown only when the stage fails.

# stage TITLE LOG COMMAND...: runs COMMAND with its output in LOG (started
# afresh); prints "TITLE  done in N s" or "TITLE  FAILED" and the log's end.
# COMMAND should be a program: bash ignores `set -e` inside a function
# whose status is tested.
stage() {
  local title=$1 log=$2 t0=$SECONDS rc=0
  shift 2
  mkdir -p "$(dirname "$log")"
  : >"$log"
  printf '%-13s ' "$title"
  "$@" >>"$log" 2>&1 </dev/null || rc=$?
  if [ "$rc" = 0 ]; then
    echo "done in $((SECONDS - t0)) s"
  else
    echo "FAILED (exit $rc); the end of its log $log:"
    tail -n 40 "$log" | sed 's/^/  | /'
  fi
  return "$rc"
}

# stage_note TITLE TEXT: the line of a stage that had nothing to do.
stage_note() {
  printf '%-13s %s\n' "$1" "$2"
}
