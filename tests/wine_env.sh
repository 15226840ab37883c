#!/bin/bash
# Runs one command inside a private Wine environment prepared for this run:
# Xvfb on a free display and a fresh, booted prefix in a temporary folder.
# Tears down only what it started: its Xvfb (by PID) and its own wineserver.
#
#   CORVANE_WINE_ARCH=win32|win64 tests/wine_env.sh COMMAND [ARGS...]
set -u
arch=${CORVANE_WINE_ARCH:-win64}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_tools.sh"

work=$(mktemp -d /tmp/corvane-wine.XXXXXX)
xvfb_pid=
export WINEPREFIX=$work/prefix WINEARCH=$arch
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

teardown() {
  WINEPREFIX=$work/prefix "$(wine_server)" -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap teardown EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display itself and reports it on a pipe.
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 20 display <&3 || { echo "wine_env: Xvfb did not start (see $work/xvfb.log)" >&2; exit 1; }
exec 3>&-
export DISPLAY=:$display

echo "wine_env: $arch prefix $WINEPREFIX on display $DISPLAY" >&2
# A persistent server keeps Wine's system processes alive for the whole run;
# otherwise each test would restart them, and they would inherit its output.
mkdir -p "$WINEPREFIX"
"$(wine_server)" -p
"$(wine_loader "$arch")" wineboot -i >"$work/boot.log" 2>&1 \
  || { echo "wine_env: wineboot failed:" >&2; cat "$work/boot.log" >&2; exit 1; }
# Without a window manager Wine waits about 2 s whenever a window is hidden;
# unmanaged windows do not.
"$(wine_loader "$arch")" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$work/boot.log" 2>&1

export CORVANE_WINE_READY=1
"$@"
