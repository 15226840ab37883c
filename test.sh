#!/bin/bash
# Installs what is missing, builds both targets and runs every test of both.
# The x86_64 programs run under the host's Wine. The i686 programs, which are
# what ships, run under the host's 32-bit Wine where it starts; elsewhere in
# the i686 test bed (tools/i686-bed/), entered through a chroot where the kernel
# runs 32-bit code and booted under an emulator where it does not. Every i686
# program is linked with the Pentium runtime (tools/pentium-runtime/).
#   CORVANE_I686=host|chroot|emulate   chooses the way for the i686 programs
#   CORVANE_I686=skip                  leaves them out (quick local runs only)
set -u
cd "$(dirname "$0")"
. tests/support/wine_tools.sh
. tools/i686-bed/bed-lib.sh

started=$SECONDS
times=()
timed() {  # label command...
  local label=$1 from=$SECONDS
  shift
  "$@"
  local status=$?
  times+=("$label $((SECONDS - from)) s")
  return $status
}
summary() { echo "== times: ${times[*]/%/,} total $((SECONDS - started)) s"; }
trap summary EXIT

i686_way=${CORVANE_I686:-}
case "$i686_way" in
  ""|host|skip|chroot|emulate) ;;
  *) echo "test.sh: CORVANE_I686 is host, chroot, emulate or skip, not '$i686_way'" >&2; exit 1 ;;
esac

install() { tools/install-deps.sh; case $? in 0|2) ;; *) echo "test.sh: set-up failed" >&2; return 1 ;; esac; }
timed install install || exit 1

# Chosen once the packages are in: on a fresh machine 32-bit Wine arrives
# with them.
case "$i686_way" in
  "") if host_runs_32bit; then i686_way=host; else i686_way=bed; fi ;;
  chroot|emulate) i686_way=bed ;;
esac

# The runtime every i686 program is linked with, built once per machine; a
# runtime that cannot be built fails the run at once, in one line.
timed runtime tools/pentium-runtime/build-runtime.sh >/dev/null || exit 1

build() {
  local preset
  for preset in mingw32 mingw64; do
    echo "== build $preset"
    # A folder configured for a runtime that a new one replaced starts afresh.
    { cmake --preset "$preset" >/dev/null 2>&1 || cmake --preset "$preset" --fresh >/dev/null; } &&
      cmake --build --preset "$preset" ||
      { echo "test.sh: build of $preset failed" >&2; return 1; }
  done
  for preset in mingw32 mingw64; do
    # The release zip, which a test unpacks and runs, and the SDK zip beside it.
    cmake --build --preset "$preset" --target package >/dev/null ||
      { echo "test.sh: the zips of $preset could not be made" >&2; return 1; }
    # The examples, built against the preset installed into a scratch prefix.
    tools/build-examples.sh "$preset" >/dev/null || return 1
  done
}
timed builds build || exit 1

# The bed is built (once per machine) before any test runs, so that a bed
# that cannot be built fails the run at once, in one line.
if [ "$i686_way" = bed ]; then
  timed bed tools/i686-bed/build-bed.sh "$(bed_mode)" >/dev/null || exit 1
fi

status=0
echo "== test mingw64"
timed x86_64-tests env CORVANE_WINE_ARCH=win64 tests/support/wine_env.sh ctest --preset mingw64 || status=1

case "$i686_way" in
  host)
    echo "== test mingw32 (the host's 32-bit Wine)"
    timed i686-tests env CORVANE_WINE_ARCH=win32 tests/support/wine_env.sh ctest --preset mingw32 || status=1 ;;
  bed)
    echo "== test mingw32: the checks that need no Wine, on the host"
    ctest --preset mingw32 -L host || status=1
    echo "== test mingw32 in the i686 test bed ($(bed_mode))"
    timed i686-tests tools/i686-bed/enter-bed.sh env CORVANE_WINE_ARCH=win32 \
      tests/support/wine_env.sh ctest --preset mingw32 -LE host || status=1 ;;
  skip)
    echo "== test mingw32: the checks that need no Wine only"
    ctest --preset mingw32 -L host || status=1
    echo "!! CORVANE_I686=skip: THE i686 PROGRAMS, WHICH ARE WHAT SHIPS, DID NOT RUN" >&2 ;;
esac
exit $status
