#!/bin/bash
# The examples as a stranger builds them against the installed package
# (tools/build-examples.sh, which ./test.sh runs), started under Wine:
# registry_tree prints a scratch key tree the test made, exactly; dxmgr_info
# lists at least one driver and one display mode, and ends with 0.
#   examples_test.sh win32|win64 EXAMPLES_BUILD_DIR
set -u
arch=$1 examples=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/wine_tools.sh"
if [ -z "${CORVANE_WINE_READY:-}" ]; then
  CORVANE_WINE_ARCH=$arch exec "$here/../support/wine_env.sh" "$0" "$@"
fi
for example in registry_tree dxmgr_info; do
  [ -f "$examples/$example.exe" ] || {
    echo "no $examples/$example.exe: build the examples with tools/build-examples.sh (./test.sh does)"; exit 1; }
done
wine=$(wine_loader "$arch")
failures=0
fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }

case_name="registry_tree prints the tree that was made"
key='HKCU\Software\CorvaneExamplesTest'
"$wine" reg delete "$key" /f >/dev/null 2>&1
add() { "$wine" reg add "$@" /f >/dev/null 2>&1 || fail "reg add $*"; }
add "$key" /v Binary /t REG_BINARY /d 01ab00ff
add "$key" /v Count /t REG_DWORD /d 42
add "$key" /v Path /t REG_EXPAND_SZ /d '%SystemRoot%\x'
add "$key" /v Text /t REG_SZ /d 'two  words'
add "$key\\Sub" /v Lines /t REG_MULTI_SZ /d 'first\0second'
add "$key\\Sub\\Deeper" /ve /d 'its default'
expected='HKEY_CURRENT_USER\Software\CorvaneExamplesTest
    Binary    REG_BINARY    01ab00ff
    Count    REG_DWORD    0x2a
    Path    REG_EXPAND_SZ    %SystemRoot%\x
    Text    REG_SZ    two  words

HKEY_CURRENT_USER\Software\CorvaneExamplesTest\Sub
    Lines    REG_MULTI_SZ    first

HKEY_CURRENT_USER\Software\CorvaneExamplesTest\Sub\Deeper
    (Default)    REG_SZ    its default

'
output=$("$wine" "$examples/registry_tree.exe" "$key" 2>&1 | tr -d '\r'; echo "rc=${PIPESTATUS[0]}")
[ "$output" = "${expected}rc=0" ] || fail "printed:"$'\n'"$output"$'\n'"expected:"$'\n'"$expected"
missing=$("$wine" "$examples/registry_tree.exe" 'HKCU\Software\CorvaneExamplesTest\NoSuchKey' 2>&1 | tr -d '\r')
grep -q '^registry_tree: CRegistryKey::CRegistryKey(HKEY hKey ...): ' <<<"$missing" ||
  fail "a missing key was not reported with the where-string and the system's text: $missing"
"$wine" reg delete "$key" /f >/dev/null 2>&1

case_name="dxmgr_info lists drivers and modes and draws one frame"
output=$("$wine" "$examples/dxmgr_info.exe" 2>&1 | tr -d '\r'; echo "rc=${PIPESTATUS[0]}")
grep -q '^driver: ' <<<"$output" || fail "no driver listed: $output"
grep -q '^  mode: [0-9]*x[0-9]*x[0-9]' <<<"$output" || fail "no display mode listed: $output"
grep -q '^frame: cleared and presented' <<<"$output" || fail "no frame: $output"
grep -qx 'rc=0' <<<"$output" || fail "exit code: $(tail -1 <<<"$output")"

[ $failures -eq 0 ] && echo "examples: all cases passed"
exit $((failures > 0))
