# Sourced by run.sh and bridge.sh: the host system calls of a Windows
# program (qemu-i386 and Wine's loader included, the wineserver not),
# counted with strace from outside. The library's programs and the
# lock-step program are counted the same way.

# The calls of the program's main thread (the library's caller, or the
# lock-step client) and of its other threads (the register's side, or the
# lock-step peer) between the program's marker lines "bench-mark: begin
# LABEL" and "bench-mark: end LABEL UNITS", per unit (block or piece):
#   syscalls: LABEL_main=N
#   syscalls: LABEL_other=N
#   syscalls: LABEL_top=name N, ...   (the main thread's busiest calls)
count_awk='
function flush(label, units,   n, i, j, k, t, names, top) {
  n = 0
  for (k in calls) names[++n] = k
  for (i = 2; i <= n; i++) {
    t = names[i]
    for (j = i - 1; j >= 1 && calls[names[j]] < calls[t]; j--) names[j + 1] = names[j]
    names[j + 1] = t
  }
  top = ""
  for (i = 1; i <= n && i <= 5; i++)
    top = top (i > 1 ? ", " : "") sprintf("%s %.1f", names[i], calls[names[i]] / units)
  printf "syscalls: %s_main=%.1f\nsyscalls: %s_other=%.1f\nsyscalls: %s_top=%s\n",
    label, mainCalls / units, label, otherCalls / units, label, top
  delete calls
  mainCalls = otherCalls = 0
}
{
  # strace pads the thread id: "<tid> <call>(<arguments>) = <result>"
  if ($2 !~ /^[a-z_0-9]+\(/) next
  tid = $1
  name = $2
  sub(/\(.*/, "", name)
  if (name == "write" && (p = index($0, "\"bench-mark: "))) {
    text = substr($0, p + 13)
    sub(/\\[rn].*/, "", text)
    split(text, word, " ")
    if (word[1] == "begin") { label = word[2]; main = tid; on = 1 }
    else if (on && word[3] > 0) { on = 0; flush(label, word[3]) }
    next
  }
  if (!on) next
  if (tid == main) { mainCalls++; calls[name]++ } else otherCalls++
}'

# count_marked OUT COMMAND...: COMMAND (a winerun line) once under strace,
# with BENCH_SYSCALLS set (one round, marker lines around it); the count
# lines go to OUT, the program's own output to OUT.log (not /dev/null: Wine
# writes nothing to the null device, markers included). The prefix's
# services must be up already, or strace follows them and never ends.
count_marked() {
  local out=$1; shift
  BENCH_SYSCALLS=1 timeout 1800 strace -f -qq -s 48 -o "$out.strace" "$@" >"$out.log" 2>&1
  awk "$count_awk" "$out.strace" >"$out"
  rm -f "$out.strace"
}

# count_attached PID SECONDS: the system calls each thread of the running
# process PID makes per second, busiest thread first, its three busiest
# calls beside it; the main thread (the windows') has the process's id.
count_attached() {
  local pid=$1 sec=$2
  timeout -s INT "$sec" strace -f -qq -p "$pid" -o /dev/stdout 2>/dev/null |
    awk -v pid="$pid" -v sec="$sec" '
      $2 ~ /^[a-z_0-9]+\(/ {
        tid = $1; name = $2; sub(/\(.*/, "", name)
        total[tid]++; calls[tid, name]++
      }
      END {
        for (key in calls) {
          split(key, k, SUBSEP)
          printf "%s %d %s %d\n", k[1], total[k[1]], k[2], calls[key]
        }
      }' |
    sort -k2,2nr -k1,1n -k4,4nr |
    awk -v pid="$pid" -v sec="$sec" '
      $1 != tid {
        if (tid != "") printf "%s)\n", line
        tid = $1; shown = 0
        line = sprintf("thread %s%s: %.1f calls/s (", tid, (tid == pid ? " (main)" : ""), $2 / sec)
      }
      shown < 3 { line = line (shown ? ", " : "") sprintf("%s %.1f/s", $3, $4 / sec); shown++ }
      END { if (tid != "") printf "%s)\n", line; else print "no system calls" }'
}
