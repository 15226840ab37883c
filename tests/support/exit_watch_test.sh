#!/bin/bash
# The wrapper's watch over a test program's end: a program that hangs after
# its last test line is ended, fails, and leaves what it was doing in the
# output, well before CTest's timeout; one that ends but leaves behind a
# process holding its output is done when it ends, with its own status.
#   tests/support/exit_watch_test.sh win32|win64 exit_hang_probe.exe
set -u
arch=$1 probe=$2
output=$(CORVANE_EXIT_LIMIT=3 "$(dirname "$0")/wine_run.sh" "$arch" "$probe" 2>&1)
status=$?
failed=0
expect() {  # text
  grep -qF -- "$1" <<<"$output" || { echo "exit_watch_test: the output lacks: $1"; failed=1; }
}
[ $status -eq 1 ] || { echo "exit_watch_test: exit status $status, not 1"; failed=1; }
expect "[  PASSED  ] 1 test."
expect "is still there"
expect "== threads of"
expect "== Windows backtraces of each thread"
expect "Backtrace:"
expect "was ended: it did not end by itself"
grep -qE -- "== Unix backtraces|no gdb here" <<<"$output" || { echo "exit_watch_test: no word of gdb"; failed=1; }
[ $failed -eq 0 ] || { echo "--- the wrapper's output:"; echo "$output"; }

scale=${CORVANE_WAIT_SCALE:-1}
from=$SECONDS
output=$("$(dirname "$0")/wine_run.sh" "$arch" "$probe" --leave-behind $((60 * scale)) 2>&1)
status=$? took=$((SECONDS - from))
left_failed=0
[ $status -eq 0 ] || { echo "exit_watch_test: with a process left behind, exit status $status, not 0"; left_failed=1; }
[ $took -lt $((30 * scale)) ] ||
  { echo "exit_watch_test: with a process left behind, the wrapper took $took s: it waited for that process"; left_failed=1; }
grep -qF "[  PASSED  ] 1 test." <<<"$output" || { echo "exit_watch_test: the output lacks its last lines"; left_failed=1; }
[ $left_failed -eq 0 ] || { echo "--- the wrapper's output:"; echo "$output"; }
exit $((failed | left_failed))
