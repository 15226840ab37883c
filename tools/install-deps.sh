#!/bin/bash
# Installs what building and testing Corvane needs on Debian 12, and only what is missing.
set -eu
packages=(
  cmake ninja-build
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest
  wine wine32:i386 wine64
  xvfb xauth x11-apps imagemagick
  libgl1-mesa-dri libglx-mesa0 libgl1
  libgl1-mesa-dri:i386 libglx-mesa0:i386 libgl1:i386
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "install-deps: enabling the i386 architecture"
  dpkg --add-architecture i386
  updated=
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

[ "$(id -u)" -eq 0 ] || { echo "install-deps: missing ${missing[*]}; run as root" >&2; exit 1; }
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# Some i386 package scripts cannot run on kernels without 32-bit emulation;
# the packages still install.
apt-get install -y -qq "${missing[@]}" >/tmp/corvane-apt.log 2>&1 || {
  tail -20 /tmp/corvane-apt.log >&2; exit 1; }
