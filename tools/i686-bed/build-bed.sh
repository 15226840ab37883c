#!/bin/bash
# Builds, once per machine, the part of the i686 test bed that one way in
# needs, and prints the bed's folder:
#   tools/i686-bed/build-bed.sh chroot    the root as a folder, finished in a chroot
#   tools/i686-bed/build-bed.sh emulate   the root as a disk image, and the kernel
# The guest's packages come from the mirror the host's apt is configured with,
# through an apt state of the bed's own: the host's apt state is not touched.
# On failure one line on stderr says which step failed and where the log is.
set -u
. "$(dirname "$0")/bed-lib.sh"
. "$bed_src/recipe.sh"
. "$bed_src/../private-apt.sh"
. "$bed_src/../once-per-machine.sh"

mode=${1:-}
part=$(bed_part_for "$mode")
[ -n "$part" ] || { echo "usage: $0 chroot|emulate" >&2; exit 2; }
bed=$(bed_dir)
bed_has() { [ -e "$bed/$part" ] && { [ "$mode" = chroot ] || [ -e "$bed/kernel" ]; }; }
bed_has && { once_per_machine_used "$bed"; echo "$bed"; exit 0; }

once_per_machine_start build-bed "the i686 test bed" "$bed_cache" "$bed.log" .build.lock
bed_has && { once_per_machine_used "$bed"; echo "$bed"; exit 0; }

say "building the i686 test bed ($mode) in $bed; log: $log"
begin "checking the free space"
need_kb=$((8 * 1024 * 1024))
free_kb=$(df -Pk "$bed_cache" | awk 'NR == 2 { print $4 }')
[ "${free_kb:-0}" -ge "$need_kb" ] ||
  fail "$((free_kb / 1024 / 1024)) GB free under $bed_cache, 8 GB needed"

# What an earlier build or removal left half-done is never used: it is removed.
once_per_machine_sweep "$bed_cache" i686-bed
mkdir -p "$bed"
rm -rf "$bed"/.*.tmp.*
work=$bed/.work.tmp.$$
trap 'rm -rf "$work"' EXIT
mkdir -p "$work"

apt_state=$work/apt
setup_private_apt() {
  local suite site lines=()
  for suite in $bed_suites; do
    site=$(private_apt_site "$suite")
    [ -n "$site" ] || fail "the host's apt has no source for $suite"
    lines+=("deb [arch=i386,amd64] $site $suite main")
  done
  private_apt_init "$apt_state" "i386 amd64" "${lines[@]}" || fail "disk full?"
}

# The base system unpacked, the guest's packages and the kernel downloaded;
# nothing of the i386 root has run yet.
fetch() {
  begin "reading the package indexes"
  setup_private_apt
  run private_apt apt-get update || fail "mirror unreachable?"
  begin "downloading the guest's packages"
  run private_apt apt-get install --download-only -y -q $bed_wine_packages || fail "mirror unreachable?"
  run private_apt apt-get install --download-only -y -q --no-install-recommends $bed_tool_packages ||
    fail "mirror unreachable?"
  begin "downloading the kernel"
  local kernel
  kernel=$(private_apt apt-cache depends "$bed_kernel_package:amd64" 2>>"$log" |
    awk '/Depends: linux-image-[0-9]/ { sub(/:amd64$/, "", $2); print $2; exit }')
  [ -n "$kernel" ] || fail "no $bed_kernel_package in the indexes"
  mkdir -p "$work/kernel-deb"
  (cd "$work/kernel-deb" && run private_apt apt-get download "$kernel:amd64") || fail "mirror unreachable?"

  begin "unpacking the i386 base system"
  local root=$work/root site
  site=$(private_apt_site "$bed_release")
  run debootstrap --arch=i386 --foreign --variant=minbase \
    --keyring=/usr/share/keyrings/debian-archive-keyring.gpg "$bed_release" "$root" "$site" ||
    fail "mirror unreachable or disk full?"

  begin "placing the downloaded packages in the root"
  mkdir -p "$root/var/cache/corvane-debs/partial" "$root/var/lib/apt/lists" "$root/corvane" &&
    cp "$apt_state"/archives/*.deb "$root/var/cache/corvane-debs/" &&
    cp "$apt_state"/lists/*_InRelease "$apt_state"/lists/*binary-i386_Packages* "$root/var/lib/apt/lists/" &&
    sed 's/ \[arch=[^]]*\]//' "$apt_state/sources.list" >"$root/etc/apt/sources.list" &&
    cp "$bed_src/recipe.sh" "$bed_src/guest/finish-root.sh" "$root/corvane/" &&
    cp "$bed_src/guest/pid1" "$root/sbin/corvane-pid1" || fail "disk full?"
}

finish_job() {  # jobdir
  mkdir -p "$1" && echo 'exec /bin/sh /corvane/finish-root.sh' >"$1/job.sh"
}

# The kernel and an initramfs that loads the drivers the guest boots from.
build_kernel() {
  begin "preparing the kernel"
  local x=$work/kernel-x k=$work/kernel.tmp.$$ init=$work/initramfs version
  mkdir -p "$x" "$k" "$init"/{bin,dev,proc,sys,newroot,modules}
  run dpkg-deb -x "$work"/kernel-deb/*.deb "$x" || fail
  version=$(ls "$x/lib/modules")
  cp "$x/boot/vmlinuz-$version" "$k/vmlinuz" || fail
  cp /bin/busybox "$init/bin/busybox" && cp "$bed_src/guest/initramfs-init" "$init/init" || fail

  # Each module after those it depends on, as the modules' own records say.
  local modules=$x/lib/modules/$version
  local -A loaded=()
  add_module() {
    local name=${1//-/_} file dep
    [ -n "${loaded[$name]:-}" ] && return
    file=$(find "$modules" -name "$name.ko" -o -name "${name//_/-}.ko" | head -1)
    [ -n "$file" ] || fail "no module $name in the kernel"
    for dep in $(tr '\0' '\n' <"$file" | sed -n 's/^depends=//p' | tr ',' ' '); do add_module "$dep"; done
    loaded[$name]=1
    cp "$file" "$init/modules/" && echo "${file##*/}" >>"$init/modules.order"
  }
  local m
  for m in $bed_kernel_modules; do add_module "$m"; done
  (cd "$init" && find . | cpio -o -H newc --quiet | gzip -1) >"$k/initrd.img" || fail
  mv "$k" "$bed/kernel"
}

finish_in_chroot() {
  begin "finishing the root in a chroot"
  finish_job "$work/job"
  bed_run_chroot "$work/root" "$work/job" "" writable >>"$log" 2>&1 || fail
  mv "$work/root" "$bed/root"
}

image_from() {  # folder image
  begin "making the disk image"
  run mkfs.ext4 -q -F -L corvane-bed -d "$1" "$2" 6G || fail "disk full?"
}

finish_in_emulator() {
  local image=$work/root.img.tmp.$$
  image_from "$work/root" "$image"
  rm -rf "$work/root"
  begin "finishing the root in the emulator (about 10 minutes without KVM)"
  finish_job "$work/job"
  bed_run_emulator "$image" "$bed/kernel" "$work/job" "" writable 3600 >>"$log" 2>&1 || fail
  mv "$image" "$bed/root.img"
}

case "$mode" in
  chroot)
    fetch
    finish_in_chroot ;;
  emulate)
    if [ -d "$bed/root" ]; then
      # A root finished in a chroot on this machine makes the same image.
      [ -e "$bed/kernel" ] || { fetch; build_kernel; }
      image_from "$bed/root" "$work/root.img" && mv "$work/root.img" "$bed/root.img"
    else
      fetch
      [ -e "$bed/kernel" ] || build_kernel
      finish_in_emulator
    fi ;;
esac

# Another checkout's recipe may still use its own bed: the most recent
# other one stays.
once_per_machine_prune "$bed_cache" i686-bed 2
begin "the i686 test bed is ready"
echo "$bed"
