#!/bin/bash
# Builds examples/ as a stranger's project against an installed preset: the
# preset is installed into a scratch prefix (build/PRESET/sdk-prefix), and the
# examples are configured with only that prefix on CMAKE_PREFIX_PATH and the
# preset's toolchain file, and built into build/PRESET/examples. Fails when
# anything of the source tree is on their include path.
#   tools/build-examples.sh mingw32|mingw64
set -u
cd "$(dirname "$0")/.."
repo=$PWD
preset=${1:-}
case "$preset" in
  mingw32) toolchain=cmake/toolchain-i686-w64-mingw32.cmake ;;
  mingw64) toolchain=cmake/toolchain-x86_64-w64-mingw32.cmake ;;
  *) echo "usage: $0 mingw32|mingw64" >&2; exit 2 ;;
esac
build=build/$preset
prefix=$repo/$build/sdk-prefix
examples=$repo/$build/examples
log=$repo/$build/examples.log
fail() { echo "build-examples: $1 for $preset failed; log: $log" >&2; exit 1; }

rm -rf "$prefix" "$examples"
: >"$log"
cmake --install "$build" --prefix "$prefix" >>"$log" 2>&1 || fail "the install"
cmake -S examples -B "$examples" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$repo/$toolchain" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >>"$log" 2>&1 || fail "configuring the examples"
cmake --build "$examples" >>"$log" 2>&1 || fail "building the examples"
# The toolchain file is the only part of the tree a stranger takes too.
if grep -E -- "(-I|-isystem )$repo/(registry|dxmgr|app|tests)?( |/|\")" "$examples/compile_commands.json" >>"$log"; then
  fail "the include path check (the source tree is on it)"
fi
echo "$examples"
