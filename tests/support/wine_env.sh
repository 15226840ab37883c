#!/bin/bash
# Runs one command inside a private Wine environment prepared for this run:
# Xvfb on a free display and a fresh, booted prefix in a temporary folder.
# Tears down only what it started: its Xvfb (by PID) and its own wineserver.
#
#   CORVANE_WINE_ARCH=win32|win64 tests/support/wine_env.sh COMMAND [ARGS...]
set -u
arch=${CORVANE_WINE_ARCH:-win64}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_tools.sh"

work=$(mktemp -d /tmp/corvane-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEARCH=$arch
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

teardown() { stop_wine; rm -rf "$work"; }
trap teardown EXIT
trap 'exit 130' INT TERM

start_xvfb "$work/xvfb.log" || exit 1
echo "wine_env: $arch prefix $WINEPREFIX on display $DISPLAY" >&2
started=$SECONDS
boot_prefix "$arch" "$work/boot.log" || exit 1
unmanaged_windows "$arch"
hold_desktop "$arch" "$work/hold-desktop" || exit 1
echo "wine_env: prefix ready in $((SECONDS - started)) s" >&2

export CORVANE_WINE_READY=1
"$@"
