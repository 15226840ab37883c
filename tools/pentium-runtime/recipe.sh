# What the Pentium runtime holds: libgcc and libstdc++ for i686 Windows,
# rebuilt from Debian's sources for -march=i586 with Debian's installed
# MinGW-w64 compiler, and Debian's C run-time (mingw-w64-crt) with the members
# that hold instructions beyond the Pentium rebuilt so, all configured as
# Debian builds them, so that only the instruction set differs from Debian's
# prebuilt ones.
# Changing anything here builds a new runtime.

runtime_target=i686-w64-mingw32
runtime_arch=i586

# The installed compiler, whose versions the sources must match: its C
# run-time is built from the source package mingw-w64, and the compiler from
# gcc-12, at the version its Built-Using field names. The archive keeps a
# source that a package in the suite names there, so it stays on the mirror
# after a point update of gcc-12, until the cross compiler is rebuilt.
runtime_compiler_packages="gcc-mingw-w64-i686-win32 g++-mingw-w64-i686-win32 mingw-w64-i686-dev binutils-mingw-w64-i686"
runtime_crt_package=mingw-w64-i686-dev
runtime_crt_source=mingw-w64
runtime_gcc_package=gcc-mingw-w64-i686-win32
runtime_gcc_source=gcc-12

# The suites the sources may come from. One whose index fails to update is
# passed over, as long as the versions needed are found in another.
runtime_suites="bookworm bookworm-updates bookworm-security"

# Debian's own changes to GCC that reach a MinGW-w64 target's libraries, in
# gcc-12's debian/patches: the others are for Linux, Hurd, other CPUs or
# languages, or the compiler itself.
runtime_gcc_patches="cuda-float128"

# mingw-w64-crt as Debian configures it, on msvcrt.dll, which Windows 98 SE has,
# regenerated from its patched Makefile.am (Debian's patches drop -std=gnu99
# and name dlltool's temporary files) and with Debian's build flags
# (dpkg-buildflags with these options, and the build folder mapped to /build).
runtime_crt_configure="--enable-lib32 --disable-lib64 --with-default-msvcrt=msvcrt"
runtime_crt_buildflags="hardening=-all optimize=-lto"
runtime_crt_cppflags=-Wno-expansion-to-defined

# Libraries that are not rebuilt, each with the option that would link it
# (without its dash, and a shell pattern) or -lNAME. Debian's are for the
# Pentium Pro: in their place the runtime holds a linker script of their name
# that fails the link in one line, and the drivers fail a link with such an
# option in one line before the linker starts. Those of GCC first, then
# those of mingw-w64's libraries.
runtime_gcc_left_out="libssp:fstack-protector* libssp_nonshared:-lssp_nonshared libatomic:-latomic
  libquadmath:-lquadmath libgomp:fopenmp"
runtime_crt_left_out="libpthread:pthread libwinpthread:-lwinpthread libpseh:-lpseh
  libwinstorecompat:-lwinstorecompat libwindowsappcompat:-lwindowsappcompat"

# libgcc reads a few headers that GCC's own build generates. They are taken
# from the plugin folder of Debian's compiler, whose build made them, so no
# generator program is built here.
runtime_gcc_generated="tm.h options.h insn-constants.h insn-modes.h insn-flags.h auto-host.h version.h"
# The four of GCC's make variables that libgcc takes from GCC's own build,
# as GCC 12's gcc/Makefile sets them for a cross compiler to a target with a
# C library, and without PIE.
runtime_gcc_mvars="GCC_CFLAGS = -DIN_GCC -DCROSS_DIRECTORY_STRUCTURE -W -Wall -Wno-narrowing -Wwrite-strings -Wcast-qual -Wstrict-prototypes -Wmissing-prototypes -Wold-style-definition -isystem ./include
INHIBIT_LIBC_CFLAGS =
TARGET_SYSTEM_ROOT =
NO_PIE_CFLAGS ="
# Archives a link asks for that have nothing to hold: libgcc.a holds the
# unwinder when built static only, and the whole of libgcc, so the
# -shared-libgcc that g++ passes by itself to every link not -static links
# libgcc statically, as -static-libgcc does.
runtime_gcc_empty="libgcc_eh libgcc_s"

# GCC's choices as Debian's compiler reports them (-v), for the target
# libraries alone: static only, and no compiler of its own.
runtime_gcc_configure="--with-arch=$runtime_arch --enable-threads=win32 --disable-sjlj-exceptions
  --with-dwarf2 --disable-multilib --enable-fully-dynamic-string --enable-libstdcxx-time=yes
  --enable-version-specific-runtime-libs --enable-languages=c,c++ --disable-shared --enable-static
  --disable-bootstrap --disable-lto --disable-nls --disable-libgomp --disable-libatomic
  --disable-libquadmath --disable-libssp --disable-libvtv --disable-libstdcxx-pch"
# libstdc++'s configure asks the assembler, not the target CPU: without
# these, std::random_device keeps RDRAND and RDSEED, and every C++ program
# links them.
runtime_libstdcxx_cache="ac_cv_x86_rdrand=no ac_cv_x86_rdseed=no"

# Parts of GCC's source that building the target libraries never reads.
runtime_gcc_unneeded="gcc/testsuite gcc/ada gcc/po gcc/go gcc/d gcc/fortran gcc/m2
  libgo libphobos libgfortran libsanitizer libgomp
  libada gnattools gotools libobjc libffi liboffloadmic libitm libvtv libquadmath"

# The global symbols of Debian's libraries ours may lack: the list-node
# functions of the old ABI, which only the shared library's versioned
# compatibility objects define and no header of GCC 12 refers to.
runtime_abi_exempt="__ZNSt15_List_node_base7_M_hookEPS_ __ZNSt15_List_node_base9_M_unhookEv
  __ZNSt15_List_node_base10_M_reverseEv __ZNSt15_List_node_base11_M_transferEPS_S0_
  __ZNSt9__cxx199815_List_node_base7_M_hookEPS0_ __ZNSt9__cxx199815_List_node_base9_M_unhookEv
  __ZNSt9__cxx199815_List_node_base10_M_reverseEv __ZNSt9__cxx199815_List_node_base11_M_transferEPS0_S1_"
# Lines of Debian's bits/c++config.h that may differ: symbol versioning,
# which only a shared library has, and the two instructions left out.
runtime_config_exempt='_GLIBCXX_\(HAVE_\)\?\(SYMVER\|EXCEPTION_PTR_SINCE_GCC46\|X86_RDRAND\|X86_RDSEED\)'
