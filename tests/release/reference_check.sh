#!/bin/bash
# The libraries' reference: Doxygen, run on the two public headers as the
# reference target runs it, must give no warning at all: every public
# declaration is documented, and no comment is malformed.
#   reference_check.sh DOXYGEN DOXYFILE
set -u
doxygen=$1 doxyfile=$2
[ -x "$doxygen" ] || command -v "$doxygen" >/dev/null ||
  { echo "reference_check: no doxygen ('$doxygen'): tools/install-deps.sh installs it"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-reference.XXXXXX")
trap 'rm -rf "$work"' EXIT
{ cat "$doxyfile"; echo "OUTPUT_DIRECTORY = $work"; echo "WARN_LOGFILE = $work/warnings.log"; } >"$work/Doxyfile"
"$doxygen" "$work/Doxyfile" >"$work/output.log" 2>&1 || { echo "reference_check: doxygen failed:"; cat "$work/output.log"; exit 1; }
[ -f "$work/html/index.html" ] || { echo "reference_check: doxygen made no HTML"; exit 1; }
if [ -s "$work/warnings.log" ]; then
  echo "reference_check: $(grep -c 'warning:' "$work/warnings.log") warnings for the public headers:"
  cat "$work/warnings.log"
  exit 1
fi
echo "reference_check: the public headers are documented without a warning"
