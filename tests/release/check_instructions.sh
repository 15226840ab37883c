#!/bin/bash
# Checks that the i686 programs run on a Pentium: disassembles the release
# zip's corvane.exe, the SDK zip's static libraries and every program of the
# build, and names each instruction that the Pentium (P5, without MMX) does
# not run, with its program (and archive member) and function. The zipped
# program is stripped, so its functions are named from the built one, whose
# code it must hold byte for byte. The programs of EXTRA_DIR (the examples
# built against the installed libraries) are checked too where it exists.
# A file that objdump cannot read, or whose disassembly holds no
# instruction, fails: an empty disassembly proves nothing.
#   check_instructions.sh OBJDUMP OBJCOPY ZIP SDK_ZIP BIN_DIR [EXTRA_DIR]
set -u
[ $# -eq 5 ] || [ $# -eq 6 ] ||
  { echo "usage: $0 OBJDUMP OBJCOPY ZIP SDK_ZIP BIN_DIR [EXTRA_DIR]" >&2; exit 2; }
objdump=$1 objcopy=$2 zip=$(realpath "$3") sdk_zip=$(realpath "$4") bin=$5 extra=${6:-}
scanner=$(cd "$(dirname "$0")" && pwd)/pentium_instructions.awk
binutils=${objdump%objdump}
shown_per_program=20

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-insn.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/program" "$work/sdk"
(cd "$work/program" && cmake -E tar xf "$zip") && [ -f "$work/program/corvane.exe" ] ||
  { echo "check_instructions: no corvane.exe in $zip"; exit 1; }
(cd "$work/sdk" && cmake -E tar xf "$sdk_zip") && compgen -G "$work/sdk/lib/*.a" >/dev/null ||
  { echo "check_instructions: no static library in $sdk_zip"; exit 1; }
built=$bin/corvane.exe
"$objcopy" -O binary -j .text "$work/program/corvane.exe" "$work/zipped.text" &&
  "$objcopy" -O binary -j .text "$built" "$work/built.text" || exit 1
cmp -s "$work/zipped.text" "$work/built.text" ||
  { echo "check_instructions: the zipped corvane.exe does not hold the code of $built: make the zip again"; exit 1; }

# The scanner first, on code of our own, as an archive member: one
# instruction of each kind it must let pass (with the prefixes, size
# suffixes and string forms objdump prints), each kind it must name, and a
# data block of the kind the linker puts in .text, which it must skip.
cat >"$work/probe.s" <<'EOF'
	.text
code:	movl $1, (%eax)
	addb $1, (%ecx)
	rep stosl
	repz cmpsb
	lock xaddl %eax, (%ecx)
	pushw %ds
	movzbl %al, %eax
	cltd
	ds je code
	sete %al
	lds (%eax), %ecx
	.byte 0x64, 0x90
	cpuid
	lock cmpxchg8b (%esi)
	lgdtl (%eax)
	fucompp
	fildll (%eax)
	fstpt (%eax)
	tzcnt %eax, %edx
	pause
	ud2
	notrack jmp *%eax
	bnd ret
	cmovne %eax, %edx
	fcomip %st(1), %st
	fisttpl (%eax)
	nopw 0(%eax,%eax,1)
	nopl %eax
	nopw %ax
	endbr32
	vzeroupper
	.byte 0xd6
	addps %xmm0, %xmm1
	mov %tr6, %eax
___CTOR_LIST__: .byte 0x0f, 0x4d, 0xc0, 0x0f, 0x1f, 0x00
after:	cmove %ebx, %ecx
EOF
expected="probe.o:code:cmovne probe.o:code:fcomip probe.o:code:fisttpl probe.o:code:nopw probe.o:code:nop"
expected+=" probe.o:code:nop probe.o:code:endbr32 probe.o:code:vzeroupper probe.o:code:(bad)"
expected+=" probe.o:code:addps probe.o:code:mov probe.o:after:cmove"
printf '\t.data\n\t.long 0\n' >"$work/empty.s"
(cd "$work" && "${binutils}as" probe.s -o probe.o && "${binutils}ar" rcD probe.a probe.o &&
  "${binutils}as" empty.s -o empty.o) || exit 1
named=$("$objdump" -d "$work/probe.a" | awk -f "$scanner" |
  awk -F'\t' '{ split($3, i, " "); printf "%s%s:%s:%s", (NR > 1 ? " " : ""), $1, $2, i[1] }')
[ "$named" = "$expected" ] ||
  { echo "check_instructions: the scanner named [$named] instead of [$expected]"; exit 1; }
"$objdump" -d "$work/empty.o" | awk -f "$scanner"
[ $? -eq 3 ] || { echo "check_instructions: the scanner took a file without code for a clean one"; exit 1; }

files=0 failed_files=0 total=0
check() {  # file name [labels]
  local status count
  "$objdump" -d -C "$1" 2>"$work/objdump.err" | awk -v labels="${3:-}" -f "$scanner" >"$work/found"
  status=("${PIPESTATUS[@]}")
  files=$((files + 1))
  if [ "${status[0]}" -ne 0 ]; then
    echo "$2: objdump cannot read it (status ${status[0]}): $(head -n 1 "$work/objdump.err")"
    failed_files=$((failed_files + 1)); return
  elif [ "${status[1]}" -eq 3 ]; then
    echo "$2: its disassembly holds no instruction"
    failed_files=$((failed_files + 1)); return
  elif [ "${status[1]}" -ne 0 ]; then
    echo "$2: the scanner failed on its disassembly"
    failed_files=$((failed_files + 1)); return
  fi
  [ -s "$work/found" ] || return 0
  count=$(wc -l <"$work/found")
  failed_files=$((failed_files + 1)) total=$((total + count))
  echo "$2: $count instructions beyond the Pentium:"
  head -n $shown_per_program "$work/found" |
    awk -F'\t' -v p="$2" '{ print "  " p ": " ($1 == "" ? "" : $1 ": ") $2 ": " $3 }'
  [ "$count" -le $shown_per_program ] || echo "  ... and $((count - shown_per_program)) more"
}

"$objdump" -d -C "$built" | grep -E '^[0-9a-f]+ <.*>:$' | sed -E 's/^([0-9a-f]+) <(.*)>:$/\1 \2/' >"$work/labels"
check "$work/program/corvane.exe" "corvane.exe (zipped)" "$work/labels"
for library in "$work/sdk"/lib/*.a; do
  check "$library" "${sdk_zip##*/}: lib/${library##*/}"
done
for exe in "$bin"/*.exe; do
  check "$exe" "${exe##*/}"
done
if [ -n "$extra" ] && [ -d "$extra" ]; then
  for exe in "$extra"/*.exe; do
    [ -e "$exe" ] && check "$exe" "${extra##*/}/${exe##*/}"
  done
fi

if [ $failed_files -eq 0 ]; then
  echo "check_instructions: $files programs and libraries hold no instruction beyond the Pentium"
  exit 0
fi
echo "check_instructions: $failed_files of $files programs and libraries fail" \
     "($total instructions beyond the Pentium, see above)"
exit 1
