# What the i686 test bed holds: a Debian i386 root with 32-bit Wine, Xvfb,
# Mesa and CTest, and (for the emulator) Debian's amd64 kernel, whose IA-32
# emulation runs the 32-bit root. Changing anything here builds a new bed.

bed_release=bookworm
# The suites the guest's packages come from: the release and its updates.
# The security suite is left out: its i386 index has been seen out of step
# with amd64, and the bed needs only a root that installs consistently.
bed_suites="$bed_release $bed_release-updates"

# Installed with what they recommend, as the host's own apt would install
# them: Wine looks for several X11 and Mesa libraries at run time.
bed_wine_packages="wine wine32 libgl1-mesa-dri libglx-mesa0 libgl1"
# Only what the harness calls: the X server, CTest, and gdb for the
# backtraces of a test program that hangs (tests/support/hang_evidence.sh).
bed_tool_packages="xvfb xauth cmake gdb"

bed_kernel_package=linux-image-amd64
# Drivers the guest needs before its root is mounted: the virtio disk, ext4
# (with the checksum its metadata uses) and the shared folders over 9p.
bed_kernel_modules="virtio_pci virtio_blk crc32c_generic ext4 9pnet_virtio 9p"
