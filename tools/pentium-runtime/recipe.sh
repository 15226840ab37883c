# What the Pentium runtime holds: the C run-time (mingw-w64-crt), libgcc and
# libstdc++ for i686 Windows, rebuilt from Debian's sources for -march=i586
# with Debian's installed MinGW-w64 compiler, configured as Debian builds
# them, so that only the instruction set differs from Debian's prebuilt ones.
# Changing anything here builds a new runtime.

runtime_target=i686-w64-mingw32
runtime_arch=i586
runtime_cflags="-O2 -march=$runtime_arch"

# The installed compiler, whose versions the sources must match: its C
# run-time comes from mingw-w64's sources, its libgcc and libstdc++ from
# gcc-12-source (the compiler package's version is GCC's plus its own).
runtime_compiler_packages="gcc-mingw-w64-i686-win32 g++-mingw-w64-i686-win32 mingw-w64-i686-dev binutils-mingw-w64-i686"
runtime_crt_package=mingw-w64-i686-dev
runtime_crt_source=mingw-w64
runtime_gcc_package=gcc-mingw-w64-i686-win32
runtime_gcc_source=gcc-12-source

# The suites the sources may come from. One whose index fails to update is
# passed over, as long as the versions needed are found in another.
runtime_suites="bookworm bookworm-updates bookworm-security"

# Debian's own changes to GCC that reach a MinGW-w64 target's libraries, in
# gcc-12-source's debian/patches: the others are for Linux, Hurd, other CPUs
# or languages, or the compiler itself.
runtime_gcc_patches="cuda-float128"

# mingw-w64-crt as Debian configures it, on msvcrt.dll, which Windows 98 SE has.
runtime_crt_configure="--enable-lib32 --disable-lib64 --with-default-msvcrt=msvcrt"

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
# names of the old ABI, which only the shared library's versioned
# compatibility objects define and no header of GCC 12 refers to.
runtime_abi_exempt='_List_node_base'
# Lines of Debian's bits/c++config.h that may differ: symbol versioning,
# which only a shared library has, and the two instructions left out.
runtime_config_exempt='_GLIBCXX_\(HAVE_\)\?\(SYMVER\|EXCEPTION_PTR_SINCE_GCC46\|X86_RDRAND\|X86_RDSEED\)'
