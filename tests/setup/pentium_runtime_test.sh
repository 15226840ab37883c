#!/bin/bash
# The Pentium runtime's bookkeeping, without building one: its name follows
# its recipe and the installed compiler, a half-built or half-removed one is
# never used, the sources are those the compiler was built from, the most
# recently used runtimes are kept, and a runtime that cannot be built says
# why in one line. apt-get, apt-cache, dpkg-query, df and flock are stand-ins
# (offline_stand_ins.sh).
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/corvane-runtime-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }

mkdir -p "$work/tools" "$work/bin" "$work/cache" "$work/tests/release"
cp "$repo/tests/release/pentium_instructions.awk" "$work/tests/release/"
cp -r "$repo/tools/pentium-runtime" "$repo/tools/private-apt.sh" "$repo/tools/once-per-machine.sh" "$work/tools/"
export CORVANE_RUNTIME_CACHE=$work/cache
# The compiler of a point release: its version is not GCC's, its
# Built-Using field names the gcc-12 it was built from.
cat >"$work/bin/dpkg-query" <<'STUB'
#!/bin/bash
compiler=${COMPILER_VERSION:-12.2.0-14+deb12u1+25.2+b1}
case "$*" in
  -L*) ;;
  *'${Package}'*) echo "gcc-mingw-w64-i686-win32 $compiler" ;;
  *'${source:Package}'*) echo -n "mingw-w64 10.0.0-3" ;;
  *'${Built-Using}'*) echo -n "gcc-12 (= ${BUILT_USING:-12.2.0-14+deb12u1})" ;;
  *) echo -n "$compiler" ;;
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
fails_at() {  # step and hint
  [ $status -eq 1 ] || fail "exit $status, expected 1"
  [ -s "$work/out" ] && fail "a runtime was offered: $(cat "$work/out")"
  says_one_failure "$work/err" build-runtime || fail "not one failure line, last: $(cat "$work/err")"
  grep -qF "could not be built: $1; log: $runtime.log" "$work/err" || fail "$(tail -1 "$work/err")"
}

case_name="the name follows the recipe and the installed compiler"
before=$(name)
[ "$(COMPILER_VERSION=12.2.0-14+deb12u2+25.2 name)" != "$before" ] ||
  fail "another compiler kept the name $before"
echo "# a comment" >>"$work/tools/pentium-runtime/recipe.sh"
[ "$(name)" != "$before" ] || fail "another recipe kept the name $before"
cp "$repo/tools/pentium-runtime/recipe.sh" "$work/tools/pentium-runtime/recipe.sh"
runtime=$(name)
hash=${runtime##*-}

case_name="a half-built or half-removed runtime is never used, and an unreachable mirror fails in one line"
mkdir -p "$work/cache/.pentium-runtime-$hash.tmp.99999/runtime/gcc" \
  "$work/cache/.pentium-runtime-$hash.tmp.gone.99998/gcc"
build
fails_at "downloading mingw-w64 10.0.0-3 and gcc-12 12.2.0-14+deb12u1 failed (mirror unreachable?)"
ls -a "$work/cache" | grep -q "\.tmp\." && fail "leftovers are still there: $(ls -a "$work/cache")"
[ -e "$runtime" ] && fail "a runtime appeared"
grep -q "Could not resolve" "$runtime.log" || fail "the log lacks apt's own words"
grep -q " s reading the package indexes" "$work/err" || fail "the steps were not shown: $(cat "$work/err")"

case_name="after a point update of gcc-12 the sources are those the compiler was built from"
: >"$work/cache/calls"
MIRROR_HOLDS="mingw-w64=10.0.0-3 gcc-12=12.2.0-14+deb12u2 gcc-12=12.2.0-14+deb12u1" build
grep -q "source --download-only gcc-12=12.2.0-14+deb12u1$" "$work/cache/calls" ||
  fail "it asked for: $(grep source "$work/cache/calls")"
says_one_failure "$work/err" build-runtime && grep -q "unpacking .* failed" "$work/err" ||
  fail "expected to fail at unpacking the empty stand-in files: $(cat "$work/err")"

case_name="sources no longer on the mirror fail in one line saying what to do"
MIRROR_HOLDS="mingw-w64=10.0.0-3 gcc-12=12.2.0-14+deb12u2" build
fails_at "downloading mingw-w64 10.0.0-3 and gcc-12 12.2.0-14+deb12u1 failed (gcc-12 12.2.0-14+deb12u1, which the installed compiler was built from, is no longer on the mirror: upgrade the compiler (apt-get install --only-upgrade gcc-mingw-w64-i686-win32 g++-mingw-w64-i686-win32 mingw-w64-i686-dev binutils-mingw-w64-i686) and try again)"

case_name="a full disk fails before anything is fetched"
: >"$work/cache/calls"
FREE_KB=1000000 build
fails_at "checking the free space failed (976 MB free under $work/cache, 2 GB needed)"
grep -q "update\|source\|download" "$work/cache/calls" && fail "apt-get was called: $(cat "$work/cache/calls")"

case_name="a lock that cannot be taken fails in one line, before anything else"
: >"$work/cache/calls"
printf '#!/bin/sh\necho "flock: 9: Bad file descriptor" >&2; exit 1\n' >"$work/bin/flock" && chmod +x "$work/bin/flock"
build
fails_at "starting failed (cannot take the lock $work/cache/.runtime.lock)"
rm "$work/bin/flock"
mv "$work/cache/.runtime.lock" "$work/lock" && mkdir "$work/cache/.runtime.lock"
build
fails_at "starting failed (cannot open the lock $work/cache/.runtime.lock)"
rmdir "$work/cache/.runtime.lock" && mv "$work/lock" "$work/cache/.runtime.lock"
[ -s "$work/cache/calls" ] && fail "it went on unlocked: $(cat "$work/cache/calls")"

case_name="a finished runtime is used as it is"
mkdir -p "$runtime"
touch -d '2 days ago' "$runtime"
: >"$work/cache/calls"
build
[ $status -eq 0 ] && [ "$(cat "$work/out")" = "$runtime" ] || fail "exit $status, offered '$(cat "$work/out")'"
[ -s "$work/cache/calls" ] && fail "it built again: $(cat "$work/cache/calls")"
[ -n "$(find "$runtime" -maxdepth 0 -newermt '1 hour ago')" ] || fail "its use was not marked"

case_name="the two most recently used runtimes stay, the others go whole with their logs"
for age in 1 2 3; do
  mkdir -p "$work/cache/pentium-runtime-age$age/gcc" && : >"$work/cache/pentium-runtime-age$age.log"
  touch -d "$age days ago" "$work/cache/pentium-runtime-age$age"
done
: >"$work/cache/pentium-runtime-failed.log"
bash -c '. "$1"; once_per_machine_prune "$2" pentium-runtime 2' _ "$work/tools/once-per-machine.sh" "$work/cache"
# Whatever letter the hash starts with.
left=$(cd "$work/cache" && ls -a | grep pentium-runtime | LC_ALL=C sort | tr '\n' ' ')
kept=$(printf '%s\n' "pentium-runtime-$hash" "pentium-runtime-$hash.log" pentium-runtime-age1 pentium-runtime-age1.log |
  LC_ALL=C sort | tr '\n' ' ')
[ "$left" = "$kept" ] || fail "left: $left"

[ $failures -eq 0 ] && echo "pentium runtime: all cases passed"
exit $((failures > 0))
