#!/bin/bash
# Checks what the shipped i686 corvane.exe asks of Windows, without running
# it: the PE header fields with which Windows 98 SE, ME, 2000 and XP start a
# program (PE32, OS and subsystem version 4.0, GUI), and every imported
# function against the allow list of what Windows 98 SE and Windows 2000
# export. Names each offender.
#   check_imports.sh OBJDUMP PROGRAM.exe ALLOW_LIST
set -u
[ $# -eq 3 ] || { echo "usage: $0 OBJDUMP PROGRAM.exe ALLOW_LIST" >&2; exit 2; }
objdump=$1 exe=$2 allow=$3
dump=$("$objdump" -p "$exe") || { echo "check_imports: $objdump cannot read $exe"; exit 1; }
[ -r "$allow" ] || { echo "check_imports: no allow list at $allow"; exit 1; }

failed=0
expect_field() {  # name value
  local actual
  actual=$(awk -v name="$1" '$1 == name { print $2; exit }' <<<"$dump")
  [ "$actual" = "$2" ] || { echo "header: $1 is '${actual}', must be $2"; failed=1; }
}
expect_field Magic 010b                  # PE32: a 32-bit program
expect_field MajorOSystemVersion 4
expect_field MinorOSystemVersion 0
expect_field MajorSubsystemVersion 4
expect_field MinorSubsystemVersion 0
expect_field Subsystem 00000002          # Windows GUI

# The import tables, one "DLL function" line each; an import by ordinal has
# no name that the list could vouch for.
imports=$(awk '
  /^The Import Tables/ { tables = 1 }
  /^The Export Tables/ || /^PE File Base Relocations/ { tables = 0 }
  !tables { next }
  /^\tDLL Name: / { dll = $3; next }
  /^\tvma: / || /^$/ || !dll { next }
  /^\t[0-9a-f]+\t/ {
    if (NF >= 3 && $3 != "<none>") print dll, $3
    else print dll, "ordinal:" $2
  }
  /^ [0-9a-f]+\t/ { dll = "" }
' <<<"$dump")
[ -n "$imports" ] || { echo "check_imports: no imports found in $exe"; exit 1; }

# The allow list: "DLL FUNCTION  note" lines; DLL names compare without case.
offenders=$(awk '
  NR == FNR {
    if ($0 ~ /^[ \t]*(#|$)/) next
    allowed[tolower($1) " " $2] = 1; system_dll[tolower($1)] = 1; next
  }
  {
    dll = tolower($1)
    if (!(dll in system_dll)) { if (!(dll in named)) print "DLL outside the system set: " $1; named[dll] = 1 }
    else if (!((dll " " $2) in allowed)) print "not on the allow list: " $1 " " $2
  }
' "$allow" - <<<"$imports")
if [ -n "$offenders" ]; then echo "$offenders"; failed=1; fi

count=$(wc -l <<<"$imports")
if [ $failed -eq 0 ]; then
  echo "check_imports: $exe: header fits Windows 98 SE to XP; all $count imports are on the allow list"
else
  echo "check_imports: $exe: the program would not start on Windows 98 SE or 2000 (see above)"
fi
exit $failed
