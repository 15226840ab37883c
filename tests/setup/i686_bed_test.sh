#!/bin/bash
# The i686 test bed's bookkeeping, without building one: its name follows its
# recipe, only a part finished by its final rename is ever used, a bed
# half removed is cleared away, and a bed that cannot be built says why in
# one line. apt-get and df are stand-ins
# (offline_stand_ins.sh).
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/corvane-bed-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }

# A copy of the bed's scripts, so that the recipe can be changed.
cp -r "$repo/tools/i686-bed" "$work/bed"
cp "$repo/tools/private-apt.sh" "$repo/tools/once-per-machine.sh" "$work/"
mkdir -p "$work/bin" "$work/cache"
export CORVANE_BED_CACHE=$work/cache
hash_of_copy() { bash -c '. "$1/bed-lib.sh"; bed_hash' _ "$work/bed"; }

case_name="the name follows the recipe, and only the recipe"
before=$(hash_of_copy)
echo "# a comment" >>"$work/bed/enter-bed.sh"
[ "$(hash_of_copy)" = "$before" ] || fail "a change to the way in renamed the bed"
sed -i 's/^bed_tool_packages="/&strace /' "$work/bed/recipe.sh"
[ "$(hash_of_copy)" != "$before" ] || fail "another package list kept the name $before"
cp "$repo/tools/i686-bed/recipe.sh" "$work/bed/recipe.sh"
echo "# a comment" >>"$work/bed/guest/pid1"
[ "$(hash_of_copy)" != "$before" ] || fail "another guest program kept the name $before"
cp "$repo/tools/i686-bed/guest/pid1" "$work/bed/guest/pid1"

bed=$CORVANE_BED_CACHE/i686-bed-$(hash_of_copy)
. "$repo/tests/setup/offline_stand_ins.sh"
offline_stand_ins "$work/bin" "$CORVANE_BED_CACHE/calls"
build() {  # mode
  PATH="$work/bin:$PATH" "$work/bed/build-bed.sh" "$1" >"$work/out" 2>"$work/err"
  status=$?
}

case_name="a half-built root or a half-removed bed is never used, and is cleared away"
mkdir -p "$bed/.work.tmp.99999/root/usr/bin" "$CORVANE_BED_CACHE/.i686-bed-0123456789abcdef.tmp.gone.99998/root"
build chroot
[ $status -eq 1 ] || fail "exit $status, expected 1"
[ -s "$work/out" ] && fail "a bed was offered: $(cat "$work/out")"
[ -e "$bed/.work.tmp.99999" ] && fail "the half-built root is still there"
ls -a "$CORVANE_BED_CACHE" | grep -q "\.tmp\." && fail "the half-removed bed is still there"
[ -e "$bed/root" ] && fail "a root appeared"

case_name="an unreachable mirror fails in one line naming the step and the log"
says_one_failure "$work/err" build-bed || fail "not one failure line, last: $(cat "$work/err")"
grep -q "could not be built: reading the package indexes failed (mirror unreachable?); log: $bed.log" "$work/err" ||
  fail "$(tail -1 "$work/err")"
grep -q "Could not resolve" "$bed.log" || fail "the log lacks apt's own words"

case_name="a full disk fails before anything is fetched"
: >"$CORVANE_BED_CACHE/calls"
FREE_KB=1000000 build emulate
[ $status -eq 1 ] || fail "exit $status, expected 1"
grep -q "checking the free space failed (0 GB free under $CORVANE_BED_CACHE, 8 GB needed)" "$work/err" ||
  fail "$(cat "$work/err")"
grep -q "update\|install" "$CORVANE_BED_CACHE/calls" && fail "apt-get was called: $(cat "$CORVANE_BED_CACHE/calls")"

case_name="a finished part is used as it is; the other way in still needs its own"
mkdir -p "$bed/root"
: >"$CORVANE_BED_CACHE/calls"
build chroot
[ $status -eq 0 ] && [ "$(cat "$work/out")" = "$bed" ] || fail "exit $status, offered '$(cat "$work/out")'"
[ -s "$CORVANE_BED_CACHE/calls" ] && fail "it built again: $(cat "$CORVANE_BED_CACHE/calls")"
build emulate
[ $status -eq 1 ] || fail "the emulator was offered a bed without an image or a kernel"

[ $failures -eq 0 ] && echo "i686 bed: all cases passed"
exit $((failures > 0))
