#!/bin/bash
# The Pentium runtime's bookkeeping, without building one: its name follows
# its recipe and the installed compiler, a half-built one is never used, and a
# runtime that cannot be built says why in one line. apt-get, dpkg-query and
# df are stand-ins (offline_stand_ins.sh).
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/corvane-runtime-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }

mkdir -p "$work/tools" "$work/bin" "$work/cache"
cp -r "$repo/tools/pentium-runtime" "$repo/tools/private-apt.sh" "$repo/tools/once-per-machine.sh" "$work/tools/"
export CORVANE_RUNTIME_CACHE=$work/cache
cat >"$work/bin/dpkg-query" <<'STUB'
#!/bin/bash
case "$*" in
  *'${Package}'*) echo "gcc-mingw-w64-i686-win32 ${COMPILER_VERSION:-12.2.0-14+25.2}" ;;
  *) echo -n "${COMPILER_VERSION:-12.2.0-14+25.2}" ;;
esac
STUB
chmod +x "$work/bin/dpkg-query"
. "$repo/tests/setup/offline_stand_ins.sh"
offline_stand_ins "$work/bin" "$work/cache/calls"
export PATH="$work/bin:$PATH"
name() { bash -c '. "$1/runtime-lib.sh"; runtime_dir' _ "$work/tools/pentium-runtime"; }
build() {
  "$work/tools/pentium-runtime/build-runtime.sh" >"$work/out" 2>"$work/err"
  status=$?
}

case_name="the name follows the recipe and the installed compiler"
before=$(name)
[ "$(COMPILER_VERSION=12.2.0-14+deb12u1+25.2+b1 name)" != "$before" ] ||
  fail "another compiler kept the name $before"
echo "# a comment" >>"$work/tools/pentium-runtime/recipe.sh"
[ "$(name)" != "$before" ] || fail "another recipe kept the name $before"
cp "$repo/tools/pentium-runtime/recipe.sh" "$work/tools/pentium-runtime/recipe.sh"
runtime=$(name)

case_name="a half-built runtime is never used, and an unreachable mirror fails in one line"
mkdir -p "$work/cache/.pentium-runtime-${runtime##*-}.tmp.99999/runtime/gcc"
build
[ $status -eq 1 ] || fail "exit $status, expected 1"
[ -s "$work/out" ] && fail "a runtime was offered: $(cat "$work/out")"
[ -e "$work/cache/.pentium-runtime-${runtime##*-}.tmp.99999" ] && fail "the half-built runtime is still there"
[ -e "$runtime" ] && fail "a runtime appeared"
[ "$(grep -c . "$work/err")" -eq 2 ] || fail "expected the start line and one failure line: $(cat "$work/err")"
grep -q "could not be built: downloading mingw-w64 12.2.0-14+25.2 failed (mirror unreachable, or that version not on it?); log: $runtime.log" "$work/err" ||
  fail "$(tail -1 "$work/err")"
grep -q "Could not resolve" "$runtime.log" || fail "the log lacks apt's own words"

case_name="a full disk fails before anything is fetched"
: >"$work/cache/calls"
FREE_KB=1000000 build
[ $status -eq 1 ] || fail "exit $status, expected 1"
grep -q "checking the free space failed (976 MB free under $work/cache, 2 GB needed)" "$work/err" ||
  fail "$(cat "$work/err")"
grep -q "update\|source\|download" "$work/cache/calls" && fail "apt-get was called: $(cat "$work/cache/calls")"

case_name="a finished runtime is used as it is"
mkdir -p "$runtime"
: >"$work/cache/calls"
build
[ $status -eq 0 ] && [ "$(cat "$work/out")" = "$runtime" ] || fail "exit $status, offered '$(cat "$work/out")'"
[ -s "$work/cache/calls" ] && fail "it built again: $(cat "$work/cache/calls")"

[ $failures -eq 0 ] && echo "pentium runtime: all cases passed"
exit $((failures > 0))
