#!/bin/bash
# CTest's wrapper: runs one Windows test program in the run's Wine prefix.
#   tests/support/wine_run.sh win32|win64 PROGRAM.exe [ARGS...]
# Outside a prepared environment it prepares one for this program alone.
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
exec "$WINELOADER" "$@"
