# Shared by the scripts that build something once per machine into a cache
# folder (the Pentium runtime, the i686 test bed): one log beside it, a line
# per step with the time so far, one line on failure that names the step and
# the log, and one builder at a time.
#   once_per_machine_start TOOL WHAT CACHE LOG LOCK
# sets fail, say, begin and run; a second builder waits at the lock and then
# finds the thing built. A lock that cannot be taken is a failure: without
# it a second builder would sweep away the first one's work.

once_per_machine_start() {  # tool what cache log lock
  once_tool=$1 once_what=$2 log=$4 once_started=$SECONDS
  step=starting
  mkdir -p "$3" 2>/dev/null && : >>"$log" 2>/dev/null || {
    log=/dev/null; fail "cannot write to $3"; }
  { exec 9>"$3/$5"; } 2>>"$log" || fail "cannot open the lock $3/$5"
  flock 9 2>>"$log" || fail "cannot take the lock $3/$5"
}

# Of parts built side by side, only the first to fail is told, and by the
# caller once every part has stopped (once_parts_failed), so that no other
# part's progress line comes after it: a part writes its failure into the
# file once_failed names, which the first failure makes.
fail() {  # [hint]
  local message="$once_tool: $once_what could not be built: $step failed${1:+ ($1)}; log: $log"
  if [ -z "${once_failed:-}" ]; then
    echo "$message" >&2
  else
    (set -C; echo "$message" >"$once_failed") 2>/dev/null
  fi
  exit 1
}
once_parts_failed() {  # pid...
  local p
  for p in "$@"; do kill -TERM -- -"$p" 2>/dev/null; done
  wait
  cat "$once_failed" >&2 2>/dev/null ||
    echo "$once_tool: $once_what could not be built: a part of it ended without a word; log: $log" >&2
  exit 1
}
say() { echo "$once_tool: $*" | tee -a "$log" >&2; }
begin() {  # step
  step=$1
  say "$(printf '%4d s' $((SECONDS - once_started))) $step"
}
run() { "$@" >>"$log" 2>&1; }

# Marks a finished thing as used now: the most recently used are kept.
once_per_machine_used() { touch "$1" 2>/dev/null || :; }

# Removes a finished thing so that no half of it is ever taken for whole: it
# is first renamed aside to .NAME.tmp.gone.PID, which a later sweep removes
# should this removal be cut short.
once_per_machine_remove() {  # folder
  local aside
  aside=$(dirname "$1")/.$(basename "$1").tmp.gone.$$
  mv "$1" "$aside" 2>/dev/null && rm -rf "$aside"
}
once_per_machine_sweep() { rm -rf "$1"/."$2"-*.tmp.*; }  # cache prefix

# Keeps the KEEP most recently used CACHE/PREFIX-HASH folders (the one just
# built among them) with their logs, and removes the others: checkouts of
# different recipes then keep a thing each instead of rebuilding in turn.
once_per_machine_prune() {  # cache prefix keep
  local old n=0
  while IFS= read -r old; do
    n=$((n + 1))
    [ $n -le "$3" ] && continue
    old=${old%/}
    once_per_machine_remove "$old"
    rm -f "$old.log"
  done < <(ls -1dt "$1/$2"-*/ 2>/dev/null)
  for old in "$1/$2"-*.log; do
    [ -e "${old%.log}" ] || rm -f "$old"
  done
}
