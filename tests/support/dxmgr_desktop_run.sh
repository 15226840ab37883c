#!/bin/bash
# Runs one GoogleTest program inside a Wine virtual desktop, where display
# modes can change (bare Xvfb cannot). The desktop's explorer does not pass
# the program's exit code on, so the verdict comes from the XML report.
#   tests/support/dxmgr_desktop_run.sh win32|win64 PROGRAM.exe [GTEST ARGS...]
set -u
arch=$1; shift
prog=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_tools.sh"
if [ -z "${CORVANE_WINE_READY:-}" ]; then
  CORVANE_WINE_ARCH=$arch exec "$here/wine_env.sh" "$0" "$arch" "$prog" "$@"
fi
if [ "$arch" = win32 ] && blocker=$(i686_blocker) && [ -n "$blocker" ]; then
  echo "dxmgr_desktop_run: cannot run i686 programs here: $blocker" >&2
  exit 1
fi
loader=$(wine_loader "$arch")
report=$(mktemp /tmp/corvane-desktop.XXXXXX)
trap 'rm -f "$report" "$report.xml"' EXIT
win_prog=$("$loader" winepath -w "$prog" 2>/dev/null)
win_report=$("$loader" winepath -w "$report.xml" 2>/dev/null)

echo "dxmgr_desktop_run: $prog in a 1024x768 virtual desktop"
"$loader" explorer /desktop=corvane-dxmgr,1024x768 "$win_prog" --gtest_output="xml:$win_report" "$@"

if [ ! -s "$report.xml" ]; then
  echo "dxmgr_desktop_run: no report: the program did not run to its end" >&2
  exit 1
fi
summary=$(grep -m1 -o '<testsuites tests="[0-9]*" failures="[0-9]*" disabled="[0-9]*" errors="[0-9]*"' "$report.xml")
echo "dxmgr_desktop_run: $summary"
case "$summary" in
  *'tests="0"'*) echo "dxmgr_desktop_run: no test ran" >&2; exit 1 ;;
  *'failures="0"'*'errors="0"'*) exit 0 ;;
  *) exit 1 ;;
esac
