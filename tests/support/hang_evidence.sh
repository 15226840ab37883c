#!/bin/bash
# Prints what a process that will not end, and the machine around it, are
# doing: every process (with its CPU time), each thread of the process twice a
# second apart (name, state, kernel wait, system call, CPU time), the
# Windows side's backtraces from winedbg, and the Unix side's from gdb where
# it is installed. Each step is bounded; a step that cannot run says so.
# winedbg attaches to that process alone: one it was attached to when its
# time ran out would stay stopped, and a stopped desktop would hang every
# program after it.
#   tests/support/hang_evidence.sh PID WINELOADER PROGRAM.exe [LIMIT_SECONDS]
set -u
pid=$1 loader=$2 exe=$3 limit=${4:-60}

cpu_of() {  # /proc/.../stat: utime and stime, in clock ticks
  awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "$1" 2>/dev/null
}

echo "== processes but the kernel's (pid ppid state cpu-ticks command)"
for dir in /proc/[0-9]*; do
  [ -r "$dir/stat" ] || continue
  read -r stat <"$dir/stat" 2>/dev/null || continue
  rest=${stat##*) }
  set -- $rest
  [ "${dir#/proc/}" = 2 ] || [ "$2" = 2 ] && continue
  command=$( { tr "\\0" " " <"$dir/cmdline"; } 2>/dev/null | cut -c1-160)
  printf '%s %s %s %s %s\n' "${dir#/proc/}" "$2" "$1" "$(cpu_of "$dir/stat")" "${command:-[$(cat "$dir/comm" 2>/dev/null)]}"
done | sort -n

threads() {
  local task
  for task in /proc/"$pid"/task/*; do
    [ -r "$task/stat" ] || continue
    printf '%s %-16s %s %s %s syscall=%s\n' "${task##*/}" "$(cat "$task/comm" 2>/dev/null)" \
      "$(awk '{ sub(/^.*\) /, ""); print $1 }' "$task/stat" 2>/dev/null)" "$(cpu_of "$task/stat")" \
      "wchan=$(cat "$task/wchan" 2>/dev/null)" "$(cut -d' ' -f1 "$task/syscall" 2>/dev/null)"
  done
}
echo "== threads of $pid (tid name state cpu-ticks kernel-wait system-call), then again 1 s later"
threads
sleep 1
echo "--"
threads

echo "== Windows backtraces of each thread of $exe (winedbg)"
# "info thread" lists each process ("ID NAME", the debugged one marked) and
# below it, indented, its threads' ids; the last process of that name is ours.
listing=$(timeout --kill-after=5 "$limit" "$loader" winedbg --command "info thread" 2>/dev/null)
ids=$(awk -v exe="$exe" '
  /^[0-9a-f]+ / { name = $NF; mine = (name == exe); if (mine) { wpid = $1; tids = "" } next }
  /^\t[0-9a-f]+/ && mine { tids = tids " " $1 }
  END { if (wpid != "") print wpid tids }' <<<"$listing")
if [ -n "$ids" ]; then
  set -- $ids
  wpid=$1; shift
  { for tid; do echo "bt 0x$tid"; done; echo detach; echo quit; } |
    timeout --kill-after=5 "$limit" "$loader" winedbg "0x$wpid" 2>&1 | cut -c1-200 ||
    echo "(winedbg did not finish within $limit s)"
else
  echo "(winedbg lists no process $exe)"
fi

if command -v gdb >/dev/null; then
  echo "== Unix backtraces of $pid (gdb)"
  timeout --kill-after=5 "$limit" gdb -p "$pid" -batch -ex "thread apply all bt 30" 2>&1 |
    grep -v '^\[New LWP' | cut -c1-200 || echo "(gdb did not finish within $limit s)"
else
  echo "== (no gdb here: no Unix backtraces)"
fi
