#!/bin/bash
# Runs a command inside the i686 test bed, in the current folder if it lies in
# the repository (else in its root); the bed sees the repository at the same
# path as the host does; the bed is built first if this
# machine has none. The command's exit code is the script's.
#   tools/i686-bed/enter-bed.sh COMMAND [ARGS...]
# The way in is a chroot where the kernel runs 32-bit code and the emulator
# elsewhere; CORVANE_I686=emulate (or chroot) chooses, and CORVANE_I686_ACCEL=tcg
# keeps the emulator off KVM. CORVANE_I686_LIMIT (seconds, default 3000) ends
# a run that hangs. Variables named CORVANE_*, WINE* and GTEST_* are passed in.
set -u
. "$(dirname "$0")/bed-lib.sh"
[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }

mode=$(bed_mode)
bed=$("$bed_src/build-bed.sh" "$mode") || exit 1

job=$(mktemp -d /tmp/corvane-bed-job.XXXXXX)
trap 'rm -rf "$job"' EXIT
: "${CORVANE_WAIT_SCALE:=$(bed_wait_scale "$mode")}"
export CORVANE_WAIT_SCALE
{
  echo 'export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp LANG=C.UTF-8'
  env | sed -n 's/^\(\(CORVANE\|WINE\|GTEST\)[A-Z0-9_]*\)=.*/\1/p' | while read -r name; do
    printf 'export %s=%q\n' "$name" "${!name}"
  done
  case "$PWD/" in "$bed_repo"/*) here=$PWD ;; *) here=$bed_repo ;; esac
  printf 'cd %q || exit 125\n' "$here"
  printf 'exec'; printf ' %q' "$@"; echo
} >"$job/job.sh"

limit=${CORVANE_I686_LIMIT:-3000}
echo "enter-bed: $mode ($([ "$mode" = emulate ] && bed_accel || echo native)), waits scaled by $CORVANE_WAIT_SCALE: $*" >&2
case "$mode" in
  chroot) bed_bounded "$limit" bash -c "$(declare -f bed_run_chroot); bed_run_chroot \"\$@\"" \
            bed "$bed/root" "$job" "$bed_repo" ;;
  emulate) bed_run_emulator "$bed/root.img" "$bed/kernel" "$job" "$bed_repo" "" "$limit" ;;
esac
