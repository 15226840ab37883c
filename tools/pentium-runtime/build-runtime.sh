#!/bin/bash
# Builds, once per machine, the runtime that every i686 program is linked
# with, and prints its folder: the C run-time start-up and libraries, libgcc
# and libstdc++, compiled for the Pentium (-march=i586). Debian's prebuilt
# ones are compiled for the Pentium Pro, whose CMOV and FCOMI fault on a
# Pentium, K6 or 6x86 before WinMain runs.
#   tools/pentium-runtime/build-runtime.sh
# The sources come from the mirror the host's apt is configured with, through
# an apt state of the runtime's own: the host's apt state is not touched. The
# libraries are built by Debian's installed compiler, whose versions the
# sources match, so only the instruction set differs from Debian's runtime;
# the build checks that against Debian's headers and symbols. On failure one
# line on stderr says which step failed and where the log is.
set -u
. "$(dirname "$0")/runtime-lib.sh"
. "$runtime_src/../private-apt.sh"
. "$runtime_src/../once-per-machine.sh"

hash=$(runtime_hash)
dir=$runtime_cache/pentium-runtime-$hash
[ -d "$dir" ] && { echo "$dir"; exit 0; }

once_per_machine_start build-runtime "the Pentium runtime" "$runtime_cache" "$dir.log" .runtime.lock
[ -d "$dir" ] && { echo "$dir"; exit 0; }

step="checking the free space"
need_kb=$((2 * 1024 * 1024))
free_kb=$(df -Pk "$runtime_cache" | awk 'NR == 2 { print $4 }')
[ "${free_kb:-0}" -ge "$need_kb" ] ||
  fail "$((free_kb / 1024)) MB free under $runtime_cache, 2 GB needed"

# What an earlier build left half-done is never used: it is removed.
rm -rf "$runtime_cache"/.pentium-runtime-*.tmp.*
work=$runtime_cache/.pentium-runtime-$hash.tmp.$$
trap 'rm -rf "$work"' EXIT
mkdir -p "$work" || fail "disk full?"
jobs=$(nproc 2>/dev/null || echo 2)
target=$runtime_target
say "building the Pentium runtime in $dir (about 5 minutes on two cores); log: $log"

step="finding the installed compiler"
crt_version=$(dpkg-query -W -f='${Version}' "$runtime_crt_package" 2>>"$log") &&
  gcc_package_version=$(dpkg-query -W -f='${Version}' "$runtime_gcc_package" 2>>"$log") ||
  fail "are $runtime_crt_package and $runtime_gcc_package installed?"
# The compiler package's version is GCC's, then "+" and its own (and a rebuild's "+bN").
gcc_version=$(sed -E 's/\+[0-9][0-9.]*(\+b[0-9]+)?$//' <<<"$gcc_package_version")
gcc=/usr/bin/$target-gcc-win32 gxx=/usr/bin/$target-g++-win32
debian_gcc_lib=$(dirname "$("$gcc" -print-libgcc-file-name 2>>"$log")")
[ -x "$gxx" ] && [ -f "$debian_gcc_lib/libstdc++.a" ] || fail "no $gxx with its libstdc++"
echo "mingw-w64 $crt_version, gcc $gcc_version (compiler $gcc_package_version)" >>"$log"

step="reading the package indexes"
lines=()
for suite in $runtime_suites; do
  site=$(private_apt_site "$suite")
  [ -n "$site" ] && lines+=("deb $site $suite main" "deb-src $site $suite main")
done
[ ${#lines[@]} -gt 0 ] || fail "the host's apt has no source for $runtime_suites"
private_apt_init "$work/apt" amd64 "${lines[@]}" || fail "disk full?"
# An index that fails (a mirror in mid-sync) is passed over: the downloads
# below say whether what is needed was found.
run private_apt apt-get update || echo "(some indexes failed to update)" >>"$log"

step="downloading $runtime_crt_source $crt_version"
(cd "$work" && run private_apt apt-get source --download-only "$runtime_crt_source=$crt_version") ||
  fail "mirror unreachable, or that version not on it?"
step="downloading $runtime_gcc_source $gcc_version"
(cd "$work" && run private_apt apt-get download "$runtime_gcc_source=$gcc_version") ||
  fail "mirror unreachable, or that version not on it?"

step="unpacking the sources"
run dpkg-source -x "$work/${runtime_crt_source}_"*.dsc "$work/mingw-w64" &&
  run dpkg-deb -x "$work/${runtime_gcc_source}_"*.deb "$work/gcc-source" || fail "disk full?"
tarball=$(ls "$work"/gcc-source/usr/src/gcc-*/gcc-[0-9]*.tar.* 2>/dev/null | head -1)
[ -n "$tarball" ] || fail "no GCC tarball in $runtime_gcc_source"
excludes=()
for part in $runtime_gcc_unneeded; do excludes+=("--exclude=gcc-[0-9]*/$part"); done
run tar -xf "$tarball" -C "$work" --anchored --wildcards "${excludes[@]}" || fail "disk full?"
gcc_src=$(ls -d "$work"/gcc-[0-9]*/ | head -1)
for patch in $runtime_gcc_patches; do
  run patch -d "$gcc_src" -p2 -i "$(dirname "$tarball")/patches/$patch.diff" || fail "patch $patch"
done
gcc_base=$(cat "$gcc_src/gcc/BASE-VER")

prefix=$work/prefix
step="building the C run-time (mingw-w64-crt)"
mkdir -p "$work/build-crt" && cd "$work/build-crt" || fail
run env CC="$gcc" CXX="$gxx" CFLAGS="$runtime_cflags" CXXFLAGS="$runtime_cflags" \
  "$work/mingw-w64/mingw-w64-crt/configure" --host=$target --prefix="$prefix/$target" $runtime_crt_configure &&
  run make -j"$jobs" && run make install || fail

# GCC's build makes its own compiler first and builds the target libraries
# with it. Here the compiler is Debian's: gcc/xgcc and gcc/xg++ run it for the
# Pentium, and of GCC's own build only the few generated headers and make
# variables that libgcc's build reads are made.
step="configuring GCC's target libraries"
# Without the C library's headers here GCC takes the target for one without
# a C library and builds a reduced libgcc.
mkdir -p "$prefix/$target" "$work/build-gcc" && ln -s "/usr/$target/include" "$prefix/$target/sys-include" &&
  cd "$work/build-gcc" || fail
run "$gcc_src/configure" --target=$target --prefix="$prefix" $runtime_gcc_configure \
  --with-as=/usr/bin/$target-as --with-ld=/usr/bin/$target-ld &&
  run make configure-gcc && run make all-build-libiberty &&
  run make -C gcc tconfig.h tm.h options.h insn-constants.h insn-modes.h insn-flags.h || fail
printf '#!/bin/sh\nexec %s -march=%s "$@"\n' "$gcc" "$runtime_arch" >gcc/xgcc &&
  printf '#!/bin/sh\nexec %s -march=%s "$@"\n' "$gxx" "$runtime_arch" >gcc/xg++ &&
  chmod +x gcc/xgcc gcc/xg++ && mkdir -p gcc/include || fail
# libgcc.mvars holds four of GCC's own make variables. Its own rule would
# first make the compiler that is not built here, so the values are read
# from GCC's Makefile and written as that rule writes them.
printf '%s\n' 'corvane-mvars:' \
  "	@echo GCC_CFLAGS = '\$(GCC_CFLAGS)'" \
  "	@echo INHIBIT_LIBC_CFLAGS = '\$(INHIBIT_LIBC_CFLAGS)'" \
  "	@echo TARGET_SYSTEM_ROOT = '\$(TARGET_SYSTEM_ROOT)'" \
  "	@echo 'NO_PIE_CFLAGS = '" >"$work/mvars.mk" &&
  make -s -C gcc -f Makefile -f "$work/mvars.mk" corvane-mvars >gcc/libgcc.mvars 2>>"$log" || fail

step="building libgcc and libstdc++"
run env $runtime_libstdcxx_cache make -j"$jobs" -o all-gcc all-target-libgcc all-target-libstdc++-v3 &&
  run make -o all-gcc install-target-libgcc install-target-libstdc++-v3 || fail

step="arranging the runtime"
runtime=$work/runtime
mkdir -p "$runtime" && mv "$prefix/lib/gcc/$target/$gcc_base" "$runtime/gcc" &&
  mv "$prefix/$target/lib" "$runtime/crt" || fail
rm -f "$runtime"/gcc/*.la "$runtime"/gcc/*-gdb.py
# Built static only, libgcc.a holds the unwinder. The driver still asks for
# libgcc_eh, and finding none here it would take Debian's: an empty one.
run "$target-ar" rc "$runtime/gcc/libgcc_eh.a" || fail

step="comparing with Debian's runtime"
run diff -r -I "$runtime_config_exempt" -I '^ *//' "$debian_gcc_lib/include/c++" "$runtime/gcc/include/c++" ||
  fail "the C++ headers differ from Debian's"
symbols() { "$target-nm" -g --defined-only "$@" 2>/dev/null | awk 'NF == 3 { print $3 }' | sort -u; }
missing=$(comm -23 <(symbols "$debian_gcc_lib"/lib{stdc++,supc++,gcc,gcc_eh}.a) \
                   <(symbols "$runtime"/gcc/lib{stdc++,supc++,gcc}.a) | grep -v -e "$runtime_abi_exempt")
for lib in mingw32 mingwex moldname msvcrt kernel32; do
  missing+=$(comm -23 <(symbols "/usr/$target/lib/lib$lib.a") <(symbols "$runtime/crt/lib$lib.a"))
done
[ -z "$missing" ] || { echo "$missing" >>"$log"; fail "symbols of Debian's libraries are missing"; }

# The compilers a build uses: Debian's drivers for the Pentium, pointed at
# this runtime. Both -B are needed: without the first the driver takes
# Debian's libgcc silently, without the second Debian's C run-time. A build
# names them by this folder, so a new runtime is a new compiler to CMake,
# which then configures afresh rather than keep flags naming a runtime gone.
step="writing the compiler drivers"
mkdir -p "$runtime/bin" || fail "disk full?"
cxx_headers="-nostdinc++ -isystem $dir/gcc/include/c++ -isystem $dir/gcc/include/c++/$target"
cxx_headers="$cxx_headers -isystem $dir/gcc/include/c++/backward"
for tool in gcc g++; do
  extra=
  [ $tool = g++ ] && extra=$cxx_headers
  printf '#!/bin/sh
# %s-%s-win32 for the Pentium, with the runtime of this folder.
exec %s -march=%s -B%s/gcc/ -B%s/crt/ %s "$@"
' \
    "$target" "$tool" "/usr/bin/$target-$tool-win32" "$runtime_arch" "$dir" "$dir" "$extra" \
    >"$runtime/bin/$target-$tool" && chmod +x "$runtime/bin/$target-$tool" || fail "disk full?"
done

step="linking a program with nothing of Debian's runtime"
cat >"$work/probe.cpp" <<'EOF'
#include <stdexcept>
#include <string>
int main(int argc, char**) { try { throw std::runtime_error(std::string(argc, 'x')); }
                             catch (const std::exception& e) { return e.what()[0] != 'x'; } }
EOF
# The drivers name the runtime's final folder; until the rename it is here.
sed "s|$dir/|$runtime/|g" "$runtime/bin/$target-g++" >"$work/probe-g++" && chmod +x "$work/probe-g++" || fail
run "$work/probe-g++" -O2 -static "$work/probe.cpp" -o "$work/probe.exe" -Wl,-Map,"$work/probe.map" || fail
taken=$(grep -oE "(/usr/lib/gcc/$target|/usr/$target/lib)/[^ ()]+" "$work/probe.map" | sort -u)
[ -z "$taken" ] || { echo "$taken" >>"$log"; fail "the program still took parts of Debian's runtime"; }

step="putting the runtime in place"
{
  echo "The Pentium runtime: mingw-w64-crt $crt_version, libgcc and libstdc++ of GCC $gcc_version,"
  echo "built for -march=$runtime_arch by $runtime_gcc_package $gcc_package_version.
bin/ holds the compiler drivers that use it."
} >"$runtime/README" && mv "$runtime" "$dir" || fail "disk full?"

# Runtimes of other recipes or compilers are of no further use.
for old in "$runtime_cache"/pentium-runtime-*; do
  [ "$old" = "$dir" ] || [ "$old" = "$dir.log" ] || rm -rf "$old"
done
say "the Pentium runtime is ready"
echo "$dir"
