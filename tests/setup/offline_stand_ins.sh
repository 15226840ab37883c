# Stand-ins for a machine whose mirror cannot be reached, for the tests of
# what is built once per machine: apt-get records each call in CALLS, names
# the host's suites, and fails everything else as an unreachable mirror does;
# df reports FREE_KB (90 GB unless set) free. With MIRROR_HOLDS set
# ("package=version ..."), the mirror answers instead, and holds the sources
# of just those versions: apt-get updates, fetches them (as empty files) and
# nothing else, and apt-cache showsrc lists them.
#   offline_stand_ins BIN_DIR CALLS_FILE

offline_stand_ins() {  # bin_dir calls_file
  mkdir -p "$1"
  cat >"$1/apt-get" <<STUB
#!/bin/bash
echo "apt-get \$*" >>"$2"
[ "\$1" = indextargets ] && { echo "bookworm http://mirror.invalid/debian"; echo "bookworm-updates http://mirror.invalid/debian"; exit 0; }
[ -n "\${MIRROR_HOLDS:-}" ] || { echo "E: Could not resolve 'mirror.invalid'"; exit 100; }
[ "\$1" = update ] && exit 0
if [ "\$1 \$2" = "source --download-only" ] && [[ " \$MIRROR_HOLDS " == *" \$3 "* ]]; then
  touch "\${3%%=*}_\${3#*=}.dsc"; exit 0
fi
echo "E: Can not find version '\${3#*=}' of package '\${3%%=*}'"; exit 100
STUB
  cat >"$1/apt-cache" <<'STUB'
#!/bin/bash
[ -n "${MIRROR_HOLDS:-}" ] || { echo "E: Unable to find a source package for ${!#}" >&2; exit 100; }
[ "$1" = showsrc ] || exit 100
for held in $MIRROR_HOLDS; do
  [ "${held%%=*}" = "${!#}" ] && printf 'Package: %s\nVersion: %s\n\n' "${held%%=*}" "${held#*=}"
done
exit 0
STUB
  cat >"$1/df" <<'STUB'
#!/bin/bash
echo "Filesystem 1024-blocks Used Available Capacity Mounted on"
echo "/dev/x 100000000 1 ${FREE_KB:-90000000} 1% /"
STUB
  chmod +x "$1/apt-get" "$1/apt-cache" "$1/df"
}

# What a build that fails prints on stderr: its start and a line per step
# ("TOOL: N s STEP"), then one line naming the failed step, last.
says_one_failure() {  # stderr_file tool
  local others
  others=$(grep -v -e "^$2: building " -e "^$2: *[0-9]* s " "$1" | grep -v "^$2: .* could not be built: ")
  [ -z "$others" ] && [ "$(grep -c "could not be built" "$1")" -eq 1 ] &&
    tail -1 "$1" | grep -q "could not be built"
}
