# Stand-ins for a machine whose mirror cannot be reached, for the tests of
# what is built once per machine: apt-get records each call in CALLS, names
# the host's suites, and fails everything else as an unreachable mirror does;
# df reports FREE_KB (90 GB unless set) free.
#   offline_stand_ins BIN_DIR CALLS_FILE

offline_stand_ins() {  # bin_dir calls_file
  mkdir -p "$1"
  cat >"$1/apt-get" <<STUB
#!/bin/bash
echo "apt-get \$*" >>"$2"
[ "\$1" = indextargets ] && { echo "bookworm http://mirror.invalid/debian"; echo "bookworm-updates http://mirror.invalid/debian"; exit 0; }
echo "E: Could not resolve 'mirror.invalid'"; exit 100
STUB
  cat >"$1/df" <<'STUB'
#!/bin/bash
echo "Filesystem 1024-blocks Used Available Capacity Mounted on"
echo "/dev/x 100000000 1 ${FREE_KB:-90000000} 1% /"
STUB
  chmod +x "$1/apt-get" "$1/df"
}
