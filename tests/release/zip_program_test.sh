#!/bin/bash
# The release zip's corvane.exe, stripped as it ships, started by the dialog
# tests: they start the corvane.exe beside themselves, so a copy of them is
# unpacked next to it. With the demo key the dialog appears, and OK, then
# Yes, saves.
#   zip_program_test.sh ZIP BUILT_CORVANE.exe DIALOG_TESTS.exe win32|win64
set -u
zip=$1 built=$2 tests=$3 arch=$4
[ -f "$zip" ] && [ "$zip" -nt "$built" ] || {
  echo "no release zip newer than $built: make it with cmake --build --preset mingw32 --target package"
  exit 1
}
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-zip.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip") || exit 1
for shipped in corvane.exe README.TXT; do
  [ -f "$work/$shipped" ] || { echo "the zip holds no $shipped at its top"; exit 1; }
done
cp "$tests" "$work/"
"$(dirname "$0")/../support/wine_run.sh" "$arch" "$work/${tests##*/}" \
  --gtest_filter='CorvaneDialog.Open_*:CorvaneDialog.OkYes_*'
