#!/bin/bash
# Installs what is missing, builds both targets and runs every test under Wine.
set -u
cd "$(dirname "$0")"
. tests/wine_tools.sh

tools/install-deps.sh || exit 1

status=0
for preset in mingw32 mingw64; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" || { status=1; continue; }
done
[ $status -eq 0 ] || { echo "test.sh: build failed" >&2; exit 1; }

for preset in mingw32 mingw64; do
  arch=win64; [ "$preset" = mingw32 ] && arch=win32
  if [ "$arch" = win32 ] && ! host_runs_32bit; then
    echo "== test $preset: SKIPPED, this kernel cannot run 32-bit programs (built only)"
    continue
  fi
  echo "== test $preset"
  CORVANE_WINE_ARCH=$arch tests/wine_env.sh ctest --preset "$preset" || status=1
done
exit $status
