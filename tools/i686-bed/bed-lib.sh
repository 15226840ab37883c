# Shared by the bed's scripts: where a bed lives, its name, and the two ways
# into it. A bed is a folder named by the hash of its recipe; inside it each
# finished part (root/, root.img, kernel/) appears only by a rename at the end
# of its build, so a part that is there is whole.

bed_src=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bed_repo=$(cd "$bed_src/../.." && pwd)
bed_cache=${CORVANE_BED_CACHE:-/var/cache/corvane}

# Everything that decides what a bed holds.
bed_recipe_files() {
  echo "$bed_src/recipe.sh" "$bed_src/build-bed.sh" "$bed_src/../private-apt.sh" "$bed_src/../once-per-machine.sh" "$bed_src"/guest/*
}

bed_hash() {
  local f
  for f in $(bed_recipe_files); do echo "${f##*/}"; cat "$f"; done | sha256sum | cut -c1-16
}

bed_dir() { echo "$bed_cache/i686-bed-$(bed_hash)"; }

# The part of a bed that a way in needs.
bed_part_for() {  # chroot|emulate
  case "$1" in
    chroot) echo root ;;
    emulate) echo root.img ;;
  esac
}

# Chroot where the kernel runs 32-bit code, the emulator elsewhere;
# CORVANE_I686=emulate or chroot chooses.
bed_mode() {
  case "${CORVANE_I686:-}" in
    emulate|chroot) echo "$CORVANE_I686"; return ;;
  esac
  if "$bed_repo/tools/runs-32bit-code" 2>/dev/null; then echo chroot; else echo emulate; fi
}

# Runs a command for at most LIMIT seconds. Neither it nor its bound outlives
# the caller, even one that is killed outright.
bed_bounded() {  # limit command...
  local limit=$1; shift
  setpriv --pdeathsig KILL timeout --kill-after=20 "$limit" "$@"
}

# The job of a run is the shell script JOBDIR/job.sh, seen inside the bed at
# /run/corvane-job/job.sh; SHARE, a host folder, is seen at its own path.

# Runs the job in the root folder through chroot, in namespaces of its own: its
# mounts vanish with it, and when the job ends every process it left is ended.
# The root is read-only unless "writable" is given; /tmp and /run are fresh.
bed_run_chroot() {  # root jobdir share [writable]
  unshare --mount --pid --fork --kill-child /bin/bash -c '
    set -e
    root=$1 job=$2 share=$3 writable=$4
    mount --make-rprivate /
    mount --bind "$root" "$root"
    mount -t proc proc "$root/proc"
    mount -t sysfs sysfs "$root/sys"
    mount --rbind /dev "$root/dev"
    for fresh in /dev/shm /tmp /run /var/tmp; do mount -t tmpfs tmpfs "$root$fresh"; done
    mkdir -p "$root/run/corvane-job"
    mount --bind "$job" "$root/run/corvane-job"
    if [ -n "$share" ]; then
      mkdir -p "$root$share"
      mount --bind "$share" "$root$share"
    fi
    [ -n "$writable" ] || mount -o remount,bind,ro "$root"
    exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/tmp LANG=C.UTF-8 \
      /bin/sh /run/corvane-job/job.sh
  ' bed-chroot "$1" "$2" "$3" "${4:-}"
}

# KVM where this machine offers it, else QEMU's own translation (TCG). A
# /dev/kvm without the CPU's virtualisation flags was seen to accept a machine
# and then never run its first instruction.
bed_accel() {
  case "${CORVANE_I686_ACCEL:-}" in
    kvm|tcg) echo "$CORVANE_I686_ACCEL"; return ;;
  esac
  if [ -w /dev/kvm ] && grep -qw -E 'vmx|svm' /proc/cpuinfo && echo quit | timeout 20 qemu-system-x86_64 -accel kvm -machine none \
       -nodefaults -display none -monitor stdio >/dev/null 2>&1; then
    echo kvm
  else
    echo tcg
  fi
}

# How much longer than on real hardware a test's waits may take in the bed.
bed_wait_scale() {  # chroot|emulate
  if [ "$1" = chroot ]; then echo 1
  elif [ "$(bed_accel)" = kvm ]; then echo 2
  else echo 8; fi
}

# With cache=mmap, pages of a test program that Wine mapped from the share
# were seen to hold other bytes than the file (the program faulted on its first
# instruction); the page cache of cache=loose holds what the host wrote. Only
# the guest writes to the share while it runs.
bed_9p_options=${CORVANE_I686_9P:-trans=virtio,version=9p2000.L,msize=512000,cache=loose}

# Boots the disk image under the emulator and runs the job; the job's output
# is streamed from JOBDIR/output. Without "writable" the image is not changed
# (QEMU keeps the run's writes in a temporary overlay). A guest that outlives
# LIMIT seconds is ended.
bed_run_emulator() {  # image kerneldir jobdir share [writable] [limit]
  local image=$1 kernel=$2 job=$3 share=$4 writable=${5:-} limit=${6:-3600}
  local accel snapshot=,snapshot=on virtfs=security_model=none,multidevs=remap
  [ -n "$writable" ] && snapshot=
  case "$(bed_accel)" in
    kvm) accel=(-accel kvm -cpu host) ;;
    # Without -smap, QEMU 7.2 ends 32-bit Wine processes with a page fault at
    # iret. With AVX, llvmpipe's code for it ran several times slower under TCG
    # and drew a Gouraud-shaded triangle in its first vertex's colour; without,
    # llvmpipe takes its SSE paths and draws it right.
    *) accel=(-accel tcg,thread=multi
              -cpu "${CORVANE_I686_CPU:-max,-smap,-avx,-avx2,-fma,-f16c,-avx512f}") ;;
  esac
  rm -f "$job/rc" "$job/output"
  : >"$job/output"
  local shares=(-virtfs "local,path=$job,mount_tag=job,$virtfs")
  [ -n "$share" ] && shares+=(-virtfs "local,path=$share,mount_tag=share,$virtfs")
  bed_bounded "$limit" setpriv --pdeathsig KILL qemu-system-x86_64 -nodefaults -no-user-config \
    -display none -no-reboot -m 3072 -smp 2 "${accel[@]}" \
    -kernel "$kernel/vmlinuz" -initrd "$kernel/initrd.img" \
    -append "console=ttyS0 panic=-1 loglevel=4 corvane.share=$share corvane.9p=$bed_9p_options" \
    -drive "file=$image,if=virtio,format=raw,cache=unsafe$snapshot" \
    "${shares[@]}" -serial "file:$job/console.log" &
  local qemu=$! status
  trap 'kill $qemu 2>/dev/null; wait $qemu; exit 130' INT TERM
  tail -n +1 -f --pid=$qemu "$job/output"
  wait $qemu
  status=$?
  trap - INT TERM
  if [ ! -s "$job/rc" ]; then
    [ $status -eq 124 ] && echo "bed: the guest ran past its limit of $limit s and was ended" >&2 ||
      echo "bed: the guest ended without finishing its job; its console: $job/console.log" >&2
    return 125
  fi
  return "$(cat "$job/rc")"
}
