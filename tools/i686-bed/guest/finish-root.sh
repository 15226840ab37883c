#!/bin/sh
# Runs once inside the new i386 root, as its first job: completes the base
# system and installs the bed's packages from the files the host downloaded
# (the guest has no network).
set -eu
. /corvane/recipe.sh
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
