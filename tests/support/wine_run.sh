#!/bin/bash
# CTest's wrapper: runs one Windows test program in the run's Wine prefix.
#   tests/support/wine_run.sh win32|win64 PROGRAM.exe [ARGS...]
# Outside a prepared environment it prepares one for this program alone.
#
# A GoogleTest program that is still there a minute (CORVANE_EXIT_LIMIT
# seconds, scaled as waits are) after its last test line has hung on its way
# out: what it and the machine are doing goes into its output
# (tests/support/hang_evidence.sh), it is ended, and the test fails. So is
# one still there near CTest's own timeout (CORVANE_TEST_TIMEOUT, which the
# test's registration sets), which would end it without a word.
set -u
arch=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_tools.sh"
if [ -z "${CORVANE_WINE_READY:-}" ]; then
  CORVANE_WINE_ARCH=$arch exec "$here/wine_env.sh" "$0" "$arch" "$@"
fi
if [ "$arch" = win32 ] && blocker=$(i686_blocker) && [ -n "$blocker" ]; then
  echo "wine_run: cannot run i686 programs here: $blocker" >&2
  exit 1
fi
export WINELOADER=$(wine_loader "$arch")

started=$SECONDS
scale=${CORVANE_WAIT_SCALE:-1}
exit_limit=$((${CORVANE_EXIT_LIMIT:-60} * scale))
deadline=
[ -n "${CORVANE_TEST_TIMEOUT:-}" ] && deadline=$((started + CORVANE_TEST_TIMEOUT - 30))

fifo=$(mktemp -u /tmp/corvane-run.XXXXXX)
mkfifo "$fifo" || exit 1
# Both its outputs go through the wrapper: a process it starts and leaves
# behind holds the wrapper's pipe, never CTest's, so CTest waits for no one
# but the wrapper.
"$WINELOADER" "$@" >"$fifo" 2>&1 &
program=$!
exec 6<"$fifo"
rm -f "$fifo"

# GoogleTest's last lines: "[==========] N tests from M test suites ran.",
# then the summary of what passed and failed.
last_test_line_at=
hung=
while :; do
  IFS= read -r -t 5 line <&6
  status=$?
  if [ $status -eq 0 ]; then
    printf '%s\n' "$line"
    case $line in "[==========] "*" ran."*) last_test_line_at=$SECONDS ;; esac
    continue
  fi
  printf '%s' "$line"            # a line cut short by the timeout, or the last one
  [ $status -gt 128 ] || break   # the end of the output
  if ! kill -0 "$program" 2>/dev/null; then
    # Gone: what it wrote just before its end is still in the pipe.
    while IFS= read -r -t 1 line <&6; do printf '%s\n' "$line"; done
    printf '%s' "$line"
    break
  fi
  if [ -n "$last_test_line_at" ] && [ $((SECONDS - last_test_line_at)) -ge "$exit_limit" ]; then
    hung="$((SECONDS - last_test_line_at)) s after its last test line"
  elif [ -n "$deadline" ] && [ "$SECONDS" -ge "$deadline" ]; then
    hung="$((SECONDS - started)) s after it started, near the test's timeout"
  fi
  if [ -n "$hung" ]; then
    echo
    echo "wine_run: $(basename "$1") is still there $hung; what it is doing:"
    "$here/hang_evidence.sh" "$program" "$WINELOADER" "$(basename "$1")" "$((20 * scale))"
    kill -KILL "$program" 2>/dev/null
    break
  fi
done
# Output a process it started still holds open is not waited for.
exec 6<&-
wait "$program"
status=$?
if [ -n "$hung" ]; then
  echo "wine_run: $(basename "$1") was ended: it did not end by itself"
  exit 1
fi
exit $status
