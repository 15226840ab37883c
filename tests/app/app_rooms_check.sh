#!/bin/bash
# The program's rooms and the arrows between them, read from the includes:
# no two modules of app/ include each other's headers; the option store
# (app/options/) includes nothing of app/ outside itself; the dialog and the
# command line do not include each other; and the reports include no mode.
#   app_rooms_check.sh REPOSITORY
set -u
cd "${1:-$(dirname "$0")/../..}" || exit 2
failures=0
fail() { echo "app_rooms_check: $*"; failures=$((failures + 1)); }

# "module included-module" for every include of an app/ header: a module is
# a file's path without its extension, shared by its header and source.
edges=$(for file in $(find app -name '*.cpp' -o -name '*.h'); do
  sed -n 's|^#include "\(app/[^"]*\)\.h"|\1|p' "$file" | sed "s|^|${file%.*} |"
done | awk '$1 != $2' | sort -u)

while read -r from to; do
  [ -n "$from" ] || continue
  grep -qx "$to $from" <<<"$edges" && [[ "$from" < "$to" ]] && fail "$from and $to include each other"
  case "$from:$to" in
    app/options/*:app/options/*) ;;
    app/options/*:*) fail "the option store's $from includes $to" ;;
    app/dialog/*:app/command_line/*|app/command_line/*:app/dialog/*) fail "$from includes $to across the two modes" ;;
    app/reports/*:app/dialog/*|app/reports/*:app/command_line/*|app/reports/*:app/test_window/*)
      fail "the report $from includes the mode $to" ;;
  esac
done <<<"$edges"

[ $failures -eq 0 ] && echo "app_rooms_check: $(wc -l <<<"$edges") includes, every arrow one way"
exit $((failures > 0))
