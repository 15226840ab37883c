#!/bin/bash
# Installs what is missing, builds both targets and runs every test.
# The x86_64 programs run under Wine on every machine. The i686 programs run
# where the kernel runs 32-bit code and 32-bit Wine could be installed; on
# other machines they are built, and their checks that need no Wine (what the
# shipped corvane.exe imports) still run.
set -u
cd "$(dirname "$0")"
. tests/support/wine_tools.sh

tools/install-deps.sh
case $? in 0|2) ;; *) echo "test.sh: set-up failed" >&2; exit 1 ;; esac

for preset in mingw32 mingw64; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" ||
    { echo "test.sh: build of $preset failed" >&2; exit 1; }
done

status=0
blocker=$(i686_blocker)
if [ -n "$blocker" ]; then
  echo "== test mingw32: checks without Wine only; the i686 programs do not run here: $blocker"
  ctest --preset mingw32 -L host || status=1
else
  echo "== test mingw32"
  CORVANE_WINE_ARCH=win32 tests/support/wine_env.sh ctest --preset mingw32 || status=1
fi
echo "== test mingw64"
CORVANE_WINE_ARCH=win64 tests/support/wine_env.sh ctest --preset mingw64 || status=1
exit $status
