# Shared by the scripts that build something once per machine into a cache
# folder (the Pentium runtime, the i686 test bed): one log beside it, one line
# on failure that names the step and the log, and one builder at a time.
#   once_per_machine_start TOOL WHAT CACHE LOG LOCK
# sets step, fail, say and run; a second builder waits at the lock and then
# finds the thing built.

once_per_machine_start() {  # tool what cache log lock
  once_tool=$1 once_what=$2 log=$4
  step=starting
  mkdir -p "$3" 2>/dev/null && : >>"$log" 2>/dev/null || {
    log=/dev/null; fail "cannot write to $3"; }
  exec 9>"$3/$5"
  flock 9
}

fail() {  # [hint]
  echo "$once_tool: $once_what could not be built: $step failed${1:+ ($1)}; log: $log" >&2
  exit 1
}
say() { echo "$once_tool: $*" | tee -a "$log" >&2; }
run() { "$@" >>"$log" 2>&1; }
