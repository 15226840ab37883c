#!/bin/bash
# Checks that the release can be rebuilt byte for byte. The zips of the
# preset's build (its shipped targets brought up to date, then packed again
# here as the package target packs them) must equal those of a second build
# of the same source: copied to a folder of another name (the copies' file
# times are new), built in a folder of another name, in another time zone,
# under another umask, its time given as SOURCE_DATE_EPOCH instead of taken
# from git. The second build builds only what ships (TARGETS). corvane.exe's
# PE time stamp must be the source's time in both.
#   reproducible_zips.sh SOURCE_DIR BINARY_DIR TARGET...
set -u
[ $# -ge 3 ] || { echo "usage: $0 SOURCE_DIR BINARY_DIR TARGET..." >&2; exit 2; }
source_dir=$(realpath "$1") binary_dir=$(realpath "$2")
shift 2
say() { echo "reproducible_zips: $*"; }
started=$SECONDS
phase() { say "$1 ($((SECONDS - started)) s)"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-rebuild.XXXXXX")
trap 'rm -rf "$work"' EXIT
cached() { sed -n "s/^$1:[A-Z]*=//p" "$binary_dir/CMakeCache.txt"; }
epoch=$(cmake -D SOURCE_DIR="$source_dir" -P "$source_dir/cmake/source_date_epoch.cmake" 2>/dev/null) &&
  [ -n "$epoch" ] || { say "cannot tell the source's time"; exit 1; }

phase "packing the build in $binary_dir"
mkdir "$work/first"
cmake --build "$binary_dir" --target "$@" >"$work/first.log" 2>&1 &&
  cpack --config "$binary_dir/CPackConfig.cmake" -B "$work/first" \
    -D CPACK_OUTPUT_FILE_PREFIX="$work/first" >>"$work/first.log" 2>&1 ||
  { cat "$work/first.log"; say "packing the build failed"; exit 1; }

phase "copying the source"
copy=$work/source-copied-elsewhere
mkdir "$copy"
excludes=(--exclude=./.git --exclude=./build)
case "$binary_dir/" in "$source_dir"/*) excludes+=("--exclude=./${binary_dir#"$source_dir"/}") ;; esac
tar -C "$source_dir" "${excludes[@]}" -cf - . | tar -C "$copy" -xmf - ||
  { say "copying the source failed"; exit 1; }

phase "building $* again in another folder"
second=$work/second
toolchain=$(cached CMAKE_TOOLCHAIN_FILE)
(
  umask 002
  export SOURCE_DATE_EPOCH=$epoch TZ=Pacific/Auckland
  cmake -S "$copy" -B "$second" -G "$(cached CMAKE_GENERATOR)" \
    -DCMAKE_TOOLCHAIN_FILE="${toolchain/#"$source_dir"/$copy}" -DCMAKE_BUILD_TYPE="$(cached CMAKE_BUILD_TYPE)" \
    -DCORVANE_WINE_ARCH="$(cached CORVANE_WINE_ARCH)" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON &&
    cmake --build "$second" --parallel "$(nproc)" --target "$@" &&
    cd "$second" && cpack
) >"$work/second.log" 2>&1 || { tail -n 30 "$work/second.log"; say "the second build failed"; exit 1; }

phase "comparing"
unpack() {  # zip folder
  mkdir -p "$2" && (cd "$2" && cmake -E tar xf "$1")
}
mapfile -t zips < <(cd "$work/first" && ls -- *.zip 2>/dev/null)
[ ${#zips[@]} -gt 0 ] || { say "the build made no zip"; exit 1; }
[ "${zips[*]}" = "$(cd "$second" && echo *.zip)" ] ||
  { say "the builds made different zips: ${zips[*]}, and $(cd "$second" && echo *.zip)"; exit 1; }
status=0
for zip in "${zips[@]}"; do
  first_zip=$work/first/$zip second_zip=$second/$zip
  if cmp -s "$first_zip" "$second_zip"; then
    say "$zip: the same $(wc -c <"$second_zip") bytes"
    continue
  fi
  status=1
  unpack "$first_zip" "$work/unpacked/first/$zip" && unpack "$second_zip" "$work/unpacked/second/$zip" || exit 1
  differing=$(cd "$work/unpacked/first/$zip" && find . -type f | sort | while read -r member; do
    cmp -s "$member" "$work/unpacked/second/$zip/$member" || echo "${member#./}"
  done)
  if ! diff <(cmake -E tar tf "$first_zip") <(cmake -E tar tf "$second_zip") >"$work/members.diff"; then
    say "$zip differs: its members or their order differ:"
    sed 's/^/  /' "$work/members.diff"
  elif [ -n "$differing" ]; then
    say "$zip differs in the bytes of ${differing//$'\n'/ }"
  else
    say "$zip differs in its own records only (its members' times, modes or owners)"
  fi
done

# The time stamp is the source's (BFD writes the checksum after it).
pe_stamp() {  # program
  local header
  header=$(od -An -tu4 --endian=little -j 60 -N 4 "$1") &&
    od -An -tu4 --endian=little -j $((header + 8)) -N 4 "$1" | tr -d ' '
}
for zip in "${zips[@]}"; do
  for side in first second; do
    unpack "$work/$side/$zip" "$work/stamp/$side/$zip" || exit 1
    [ -f "$work/stamp/$side/$zip/corvane.exe" ] || continue
    stamp=$(pe_stamp "$work/stamp/$side/$zip/corvane.exe")
    [ "$stamp" = "$epoch" ] ||
      { say "$zip of the $side build: corvane.exe carries the time stamp $stamp, not the source's $epoch"; status=1; }
  done
done

phase "done"
exit $status
