#!/bin/bash
# Checks that the i686 programs run on a Pentium: disassembles the release
# zip's corvane.exe and every program of the build, and names each
# instruction that only later CPUs have (CMOV and FCOMI of the Pentium Pro,
# MMX and SSE, the long NOP, ...), with its program and function. The zipped
# program is stripped, so its functions are named from the built one, whose
# code it must hold byte for byte. The programs of EXTRA_DIR (the examples
# built against the installed libraries) are checked too where it exists.
#   check_instructions.sh OBJDUMP OBJCOPY ZIP BIN_DIR [EXTRA_DIR]
set -u
[ $# -eq 4 ] || [ $# -eq 5 ] || { echo "usage: $0 OBJDUMP OBJCOPY ZIP BIN_DIR [EXTRA_DIR]" >&2; exit 2; }
objdump=$1 objcopy=$2 zip=$(realpath "$3") bin=$4 extra=${5:-}
scanner=$(cd "$(dirname "$0")" && pwd)/pentium_instructions.awk
shown_per_program=20

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-insn.XXXXXX")
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip") && [ -f "$work/corvane.exe" ] ||
  { echo "check_instructions: no corvane.exe in $zip"; exit 1; }
built=$bin/corvane.exe
"$objcopy" -O binary -j .text "$work/corvane.exe" "$work/zipped.text" &&
  "$objcopy" -O binary -j .text "$built" "$work/built.text" || exit 1
cmp -s "$work/zipped.text" "$work/built.text" ||
  { echo "check_instructions: the zipped corvane.exe does not hold the code of $built: make the zip again"; exit 1; }

# The scanner first, on code of our own: what it must name, what it must
# let pass (TZCNT runs as BSF on older CPUs, UD2 traps on all), and a data
# block of the kind the linker puts in .text, which it must skip.
cat >"$work/probe.s" <<'EOF'
	.text
code:	cmovne %eax, %edx
	fcomip %st(1), %st
	nopw 0(%eax,%eax,1)
	addps %xmm0, %xmm1
	tzcnt %eax, %edx
	ud2
	rep stosl
	lock cmpxchg8b (%esi)
___CTOR_LIST__: .byte 0x0f, 0x4d, 0xc0, 0x0f, 0x1f, 0x00
after:	cmove %ebx, %ecx
EOF
expected=$(printf '%s\n' code:cmovne code:fcomip code:nopw code:addps after:cmove)
"${objdump%objdump}as" "$work/probe.s" -o "$work/probe.o" || exit 1
named=$("$objdump" -d "$work/probe.o" | awk -f "$scanner" | awk -F'\t' '{ split($2, i, " "); print $1 ":" i[1] }')
[ "$named" = "$expected" ] ||
  { echo "check_instructions: the scanner named [$(echo $named)] instead of [$(echo $expected)]"; exit 1; }

programs=0 offending_programs=0 total=0
check() {  # program name [labels]
  local found count
  found=$("$objdump" -d -C "$1" | awk -v labels="${3:-}" -f "$scanner") ||
    { echo "check_instructions: cannot disassemble $1"; total=$((total + 1)); return; }
  programs=$((programs + 1))
  [ -n "$found" ] || return 0
  count=$(wc -l <<<"$found")
  offending_programs=$((offending_programs + 1)) total=$((total + count))
  echo "$2: $count instructions beyond the Pentium:"
  head -n $shown_per_program <<<"$found" | awk -F'\t' -v p="$2" '{ print "  " p ": " $1 ": " $2 }'
  [ "$count" -le $shown_per_program ] || echo "  ... and $((count - shown_per_program)) more"
}

"$objdump" -d -C "$built" | grep -E '^[0-9a-f]+ <.*>:$' | sed -E 's/^([0-9a-f]+) <(.*)>:$/\1 \2/' >"$work/labels"
check "$work/corvane.exe" "corvane.exe (zipped)" "$work/labels"
for exe in "$bin"/*.exe; do
  check "$exe" "${exe##*/}"
done
if [ -n "$extra" ] && [ -d "$extra" ]; then
  for exe in "$extra"/*.exe; do
    [ -e "$exe" ] && check "$exe" "${extra##*/}/${exe##*/}"
  done
fi

if [ $total -eq 0 ]; then
  echo "check_instructions: $programs programs hold no instruction beyond the Pentium"
  exit 0
fi
echo "check_instructions: $total instructions beyond the Pentium in $offending_programs of $programs programs (see above)"
exit 1
