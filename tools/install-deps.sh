#!/bin/bash
# Installs what building, testing and running Corvane needs on Debian 12, and
# only what is missing. The amd64 packages come first and are all needed. The
# i386 packages (32-bit Wine and Mesa, for running the i686 programs on the
# host) are added only where the kernel runs 32-bit code, and never stand in
# the way: where they cannot be installed, the i686 programs run in the test
# bed instead.
#   exit 0: everything this machine can use is installed
#   exit 1: a needed package is missing (named), or root is needed
#   exit 2: the amd64 packages are in, but the i386 ones could not be (named)
set -u
here=$(cd "$(dirname "$0")" && pwd)

# Then what builds the Pentium runtime (tools/pentium-runtime/) from Debian's
# sources, Doxygen for the libraries' reference, and last the i686 test bed's
# tools (tools/i686-bed/), for machines whose host cannot run the i686 programs.
host_packages=(
  cmake ninja-build binutils
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest
  wine wine64
  xvfb xauth x11-apps x11-utils imagemagick
  libgl1-mesa-dri libglx-mesa0 libgl1
  gcc g++ make patch xz-utils bzip2 dpkg-dev autoconf automake libgmp-dev libmpfr-dev libmpc-dev
  doxygen
  debootstrap qemu-system-x86 busybox-static e2fsprogs cpio
)
i386_packages=(wine32:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386 libgl1:i386)

say() { echo "install-deps: $*" >&2; }

missing_of() {
  local p
  for p; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

kernel_runs_32bit() { "$here/runs-32bit-code"; }   # 0 yes, 1 no, 2 cannot tell yet

# A mirror can serve a broken index for one architecture; the others still count.
update_indexes() {
  apt-get update -qq >"$log" 2>&1 && return 0
  say "warning: some package indexes failed to update; installing from those that did:"
  grep -E '^(E|W):' "$log" | head -5 >&2
}

# Installs all or nothing; on failure names each package that cannot be installed.
install_packages() {
  apt-get install -y -qq "$@" >"$log" 2>&1 && return 0
  local p broken=()
  for p; do
    apt-get install -s -qq "$p" >/dev/null 2>&1 || broken+=("$p")
  done
  [ ${#broken[@]} -gt 0 ] || broken=("$@")
  say "cannot install: ${broken[*]}"
  tail -5 "$log" >&2
  return 1
}

missing_host=($(missing_of "${host_packages[@]}"))
runs32=unknown
if [ ${#missing_host[@]} -eq 0 ]; then
  kernel_runs_32bit; case $? in 0) runs32=yes ;; 1) runs32=no ;; esac
fi
missing_i386=()
[ "$runs32" = yes ] && missing_i386=($(missing_of "${i386_packages[@]}"))
[ ${#missing_host[@]} -eq 0 ] && [ ${#missing_i386[@]} -eq 0 ] && exit 0

# Nothing on the system changes before this point. Without root, missing
# i386 packages alone leave the x86_64 path complete: exit 2, as above.
if [ "$(id -u)" -ne 0 ]; then
  say "missing ${missing_host[*]} ${missing_i386[*]}; run as root"
  [ ${#missing_host[@]} -eq 0 ] && exit 2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp /tmp/corvane-apt.XXXXXX.log)
trap 'rm -f "$log"' EXIT

if [ ${#missing_host[@]} -gt 0 ]; then
  say "installing ${missing_host[*]}"
  update_indexes
  install_packages "${missing_host[@]}" || exit 1
  updated=1
  kernel_runs_32bit; case $? in 0) runs32=yes ;; 1) runs32=no ;; *) runs32=unknown ;; esac
fi

case $runs32 in
  no) say "this kernel runs no 32-bit code: the i386 packages are left out"; exit 0 ;;
  unknown) say "cannot tell whether this kernel runs 32-bit code: the i386 packages are left out"; exit 0 ;;
esac

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "this kernel runs 32-bit code: enabling the i386 architecture"
  dpkg --add-architecture i386
  updated=
fi
missing_i386=($(missing_of "${i386_packages[@]}"))
[ ${#missing_i386[@]} -eq 0 ] && exit 0
say "installing ${missing_i386[*]}"
[ -n "${updated:-}" ] || update_indexes
install_packages "${missing_i386[@]}" || {
  say "the i686 programs cannot run under Wine here; the x86_64 path is complete"; exit 2; }
exit 0
