#!/bin/sh
# Runs once inside the new i386 root, as its first job: completes the base
# system and installs the bed's packages from the files the host downloaded
# (the guest has no network).
set -eu
. /corvane/recipe.sh
# The root is built once and only ever run: dpkg need not sync each file it
# writes before the next (under the emulator each sync costs a journal commit
# of the guest's disk), and documentation, manual pages and translations are
# not written at all.
mkdir -p /etc/dpkg/dpkg.cfg.d
printf '%s\n' force-unsafe-io 'path-exclude=/usr/share/doc/*' 'path-exclude=/usr/share/man/*' \
  'path-exclude=/usr/share/info/*' 'path-exclude=/usr/share/locale/*' >/etc/dpkg/dpkg.cfg.d/corvane-bed
echo "finish-root: the base system"
/debootstrap/debootstrap --second-stage
offline="-o Dir::Cache::archives=/var/cache/corvane-debs/ --no-download -y -q"
export DEBIAN_FRONTEND=noninteractive
echo "finish-root: $bed_wine_packages"
apt-get install $offline $bed_wine_packages
echo "finish-root: $bed_tool_packages"
apt-get install $offline --no-install-recommends $bed_tool_packages
rm -rf /var/cache/corvane-debs /var/lib/apt/lists/* /corvane
echo "finish-root: done"
