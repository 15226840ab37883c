#!/bin/bash
# Builds, once per machine, the runtime that every i686 program is linked
# with, and prints its folder: libgcc and libstdc++ compiled for the Pentium
# (-march=i586), and the C run-time start-up and libraries with what was
# compiled beyond it compiled again for the Pentium. Debian's prebuilt
# ones are compiled for the Pentium Pro, whose CMOV and FCOMI fault on a
# Pentium, K6 or 6x86 before WinMain runs.
#   tools/pentium-runtime/build-runtime.sh
# The sources come from the mirror the host's apt is configured with, through
# an apt state of the runtime's own: the host's apt state is not touched
# (CORVANE_RUNTIME_SOURCES may name a folder holding some of their files
# already). The libraries are built by Debian's installed compiler, whose
# versions the sources match, so only the instruction set differs from
# Debian's runtime; the build checks that against Debian's headers and
# symbols. The C run-time and GCC's libraries are built side by side. It says
# what it is doing, a line per step; on failure one line on stderr says which
# step failed and where the log is.
set -u
. "$(dirname "$0")/runtime-lib.sh"
. "$runtime_src/../private-apt.sh"
. "$runtime_src/../once-per-machine.sh"

hash=$(runtime_hash)
dir=$runtime_cache/pentium-runtime-$hash
[ -d "$dir" ] && { once_per_machine_used "$dir"; echo "$dir"; exit 0; }

once_per_machine_start build-runtime "the Pentium runtime" "$runtime_cache" "$dir.log" .runtime.lock
[ -d "$dir" ] && { once_per_machine_used "$dir"; echo "$dir"; exit 0; }

say "building the Pentium runtime in $dir (2 to 8 minutes on two cores); log: $log"
begin "checking the free space"
need_kb=$((2 * 1024 * 1024))
free_kb=$(df -Pk "$runtime_cache" | awk 'NR == 2 { print $4 }')
[ "${free_kb:-0}" -ge "$need_kb" ] ||
  fail "$((free_kb / 1024)) MB free under $runtime_cache, 2 GB needed"

# What an earlier build or removal left half-done is never used: it is removed.
once_per_machine_sweep "$runtime_cache" pentium-runtime
work=$runtime_cache/.pentium-runtime-$hash.tmp.$$
parts=
trap 'for p in $parts; do kill -TERM -- -$p 2>/dev/null; done; wait; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM HUP
mkdir -p "$work/sources" "$work/runtime/crt" || fail "disk full?"
jobs=$(nproc 2>/dev/null || echo 2)
target=$runtime_target
runtime=$work/runtime

begin "finding the installed compiler"
crt_source=$(dpkg-query -W -f='${source:Package} ${source:Version}' "$runtime_crt_package" 2>>"$log") &&
  built_using=$(dpkg-query -W -f='${Built-Using}' "$runtime_gcc_package" 2>>"$log") &&
  gcc_package_version=$(dpkg-query -W -f='${Version}' "$runtime_gcc_package" 2>>"$log") ||
  fail "are $runtime_crt_package and $runtime_gcc_package installed?"
[ "${crt_source% *}" = "$runtime_crt_source" ] ||
  fail "$runtime_crt_package is built from ${crt_source% *}, not $runtime_crt_source"
crt_version=${crt_source#* }
# What the compiler was built from, not what its version suggests: after a
# point update of gcc-12 only that version is still on the mirror.
gcc_version=$(sed -n "s/\(^\|.*[ ,]\)$runtime_gcc_source (= \([^)]*\)).*/\2/p" <<<"$built_using")
[ -n "$gcc_version" ] || fail "$runtime_gcc_package names no $runtime_gcc_source in its Built-Using field"
gcc=/usr/bin/$target-gcc-win32 gxx=/usr/bin/$target-g++-win32
debian_gcc_lib=$(dirname "$("$gcc" -print-libgcc-file-name 2>>"$log")")
compiler_version=$("$gcc" -dumpfullversion 2>>"$log")
[ -x "$gxx" ] && [ -f "$debian_gcc_lib/libstdc++.a" ] && [ -n "$compiler_version" ] ||
  fail "no $gxx with its libstdc++"
echo "$runtime_crt_source $crt_version, $runtime_gcc_source $gcc_version (compiler $gcc_package_version, $compiler_version)" >>"$log"

begin "reading the package indexes"
lines=()
for suite in $runtime_suites; do
  site=$(private_apt_site "$suite")
  [ -n "$site" ] && lines+=("deb-src $site $suite main")
done
[ ${#lines[@]} -gt 0 ] || fail "the host's apt has no source for $runtime_suites"
private_apt_init "$work/apt" amd64 "${lines[@]}" || fail "disk full?"
# An index that fails (a mirror in mid-sync) is passed over: the downloads
# below say whether what is needed was found.
run private_apt apt-get update || echo "(some indexes failed to update)" >>"$log"

fetch_source() {  # package version
  (cd "$work/sources" && run private_apt apt-get source --download-only "$1=$2") && return 0
  local listed
  listed=$(private_apt apt-cache showsrc --only-source "$1" 2>>"$log" | sed -n 's/^Version: //p')
  [ -n "$listed" ] && ! grep -qxF -- "$2" <<<"$listed" &&
    fail "$1 $2, which the installed compiler was built from, is no longer on the mirror: upgrade the compiler (apt-get install --only-upgrade $runtime_compiler_packages) and try again"
  fail "mirror unreachable?"
}
begin "downloading $runtime_crt_source $crt_version and $runtime_gcc_source $gcc_version"
if [ -d "${CORVANE_RUNTIME_SOURCES:-}" ]; then
  cp -l "$CORVANE_RUNTIME_SOURCES"/* "$work/sources/" 2>/dev/null ||
    cp "$CORVANE_RUNTIME_SOURCES"/* "$work/sources/" 2>>"$log"
fi
fetch_source "$runtime_crt_source" "$crt_version"
fetch_source "$runtime_gcc_source" "$gcc_version"

is_left_out() {  # file list
  local entry
  for entry in $2; do
    case "$1" in "${entry%%:*}.a"|"${entry%%:*}.dll.a") return 0 ;; esac
  done
  return 1
}

# Debian's C run-time, with each member that holds an instruction beyond the
# Pentium rebuilt from its source as Debian builds it, but for the Pentium:
# every other member, the import stubs among them, stays Debian's. Some of
# those members hold such instructions on purpose (the fenv functions' SSE,
# behind CPUID) or data that the disassembler decodes; they are rebuilt too,
# which changes nothing for them.
build_crt() {
  # GCC's side is the longer one: the C run-time takes what CPU it leaves.
  renice -n 5 -p $BASHPID >/dev/null 2>&1
  begin "C run-time: finding the members of Debian's files that hold instructions beyond the Pentium"
  local f name late=$work/crt-late
  : >"$late" || fail "disk full?"
  for f in $(dpkg-query -L "$runtime_crt_package" | grep "^/usr/$target/lib/[^/]*\.[ao]$"); do
    name=${f##*/}
    is_left_out "$name" "$runtime_crt_left_out" && continue
    "$target-objdump" -d "$f" >"$work/crt-disassembly" 2>>"$log" || fail "objdump cannot read $f"
    # A member of an archive by its name; a file that is no archive whole.
    awk -f "$runtime_instructions" "$work/crt-disassembly" | cut -f1 | sort -u | sed "s|^|$name |" >>"$late"
    cp -p "$f" "$runtime/crt/" || fail "disk full?"
  done
  echo "$(wc -l <"$late") members hold instructions beyond the Pentium:" >>"$log" && cat "$late" >>"$log"

  begin "C run-time: unpacking and regenerating $runtime_crt_source $crt_version"
  local src=$work/mingw-w64 build=$work/build-crt
  run dpkg-source -x "$work/sources/${runtime_crt_source}_${crt_version#*:}.dsc" "$src" || fail "disk full?"
  # Debian's build removes the tarball's generated files and makes them anew,
  # so that its patches to Makefile.am take effect.
  for f in aclocal.m4 'build-aux/*' config.h.in configure Makefile.in; do
    find "$src/mingw-w64-crt" -wholename "*/$f" -type f -delete
  done
  (cd "$src/mingw-w64-crt" && run autoreconf -fi) || fail "are autoconf and automake installed?"

  begin "C run-time: configuring"
  mkdir -p "$build" && cd "$build" || fail "disk full?"
  # Debian's flags, from dpkg-buildflags in the source folder (which maps it
  # to "."), with the build folder mapped to /build for the compiler and the
  # assembler; LDFLAGS lose dpkg's no-pie-link rule file for GCC's driver, as
  # in Debian's build.
  local CFLAGS CPPFLAGS CXXFLAGS LDFLAGS ASFLAGS
  eval "$(cd "$src" && DEB_BUILD_MAINT_OPTIONS=$runtime_crt_buildflags \
    DEB_CPPFLAGS_MAINT_APPEND=$runtime_crt_cppflags dpkg-buildflags --export=sh 2>>"$log" | grep -E '^export (C|CPP|CXX|LD|AS)FLAGS=')"
  [ -n "${CFLAGS:-}" ] && [ -n "${CXXFLAGS:-}" ] && [ -n "${LDFLAGS+set}" ] || fail "no dpkg-buildflags?"
  CFLAGS="$CFLAGS -ffile-prefix-map=$build=/build -march=$runtime_arch"
  CFLAGS="$CFLAGS -Wa,--debug-prefix-map,$src=. -Wa,--debug-prefix-map,$build=/build"
  CXXFLAGS="$CXXFLAGS -ffile-prefix-map=$build=/build -march=$runtime_arch"
  LDFLAGS=$(sed -E 's|[^ ]*/no-pie-link\.[^ ]*||' <<<"$LDFLAGS")
  run "$src/mingw-w64-crt/configure" --disable-dependency-tracking --host=$target \
    --prefix=/usr/$target $runtime_crt_configure CC="$gcc" CXX="$gxx" || fail

  # An archive names its members by the object's file name; the Makefile's
  # rules name the objects with their folder. Two sources of one library may
  # share a file name (libmingwex's two strtof.o): both are built, and each
  # of the archive's members of that name is matched by the symbols it defines.
  local objects=$work/crt-objects
  sed -n 's/^\([^ 	#:]*\/[^ 	:/]*\)\.\$(OBJEXT):.*/\1.o/p' Makefile | sort -u |
    awk '{ n = split($0, part, "/"); print part[n], $0 }' >"$objects"
  local targets
  targets=$(awk 'NR == FNR { if ($2 != "") want[$2] = 1; else whole[$1] = 1; next }
                 $1 in want { print $2 }
                 END { for (f in whole) print "lib32/" f }' "$late" "$objects" | sort -u)
  local missing
  missing=$(awk 'NR == FNR { known[$1] = 1; next } $2 != "" && !($2 in known) { print $1 ": " $2 }' "$objects" "$late")
  [ -z "$missing" ] || { echo "$missing" >>"$log"; fail "no source for ${missing%%$'\n'*}"; }
  begin "C run-time: building the $(echo $targets | wc -w) objects of those members"
  mkdir -p lib32 && run make -j"$jobs" $targets || fail

  begin "C run-time: putting the rebuilt members in Debian's files"
  local archive
  declare -A crt_objects=()
  local rebuilt name path
  while read -r name path; do crt_objects[$name]+="$path "; done <"$objects"
  for archive in $(awk '$2 != "" { print $1 }' "$late" | sort -u); do
    replace_members "$archive" "$late" || fail "$archive"
  done
  for f in $(awk '$2 == "" { print $1 }' "$late"); do
    [ "$(defined_symbols "lib32/$f")" = "$(defined_symbols "/usr/$target/lib/$f")" ] ||
      fail "the rebuilt $f does not define what Debian's does"
    cp -p "lib32/$f" "$runtime/crt/$f" || fail "disk full?"
  done
  begin "C run-time: built"
}

# Makes $runtime/crt/ARCHIVE of Debian's: the same members in the same order,
# those that LATE names for it taken from the build folder. They are put in
# place of Debian's in a copy; where one shares its name with another member,
# which ar cannot tell apart, the archive is made anew of all its members.
replace_members() {  # archive late
  local debian=/usr/$target/lib/$1 out=$runtime/crt/$1 parts=$work/members/$1
  local member count path list whole= members=() theirs=() ours=()
  declare -A late=() seen=() twice=()
  for member in $(awk -v a="$1" '$1 == a { print $2 }' "$2"); do late[$member]=1; done
  list=$("$target-ar" t "$debian") && mkdir -p "$parts" || return 1
  for member in $(sort <<<"$list" | uniq -d); do
    twice[$member]=1
    [ -z "${late[$member]:-}" ] || whole=1
  done
  if [ -z "$whole" ]; then
    (cd "$parts" && "$target-ar" x "$debian" "${!late[@]}") || return 1
    for member in "${!late[@]}"; do
      rebuilt_member "$1" "$member" "$parts/$member" || return 1
      members+=("$rebuilt") theirs+=("$parts/$member") ours+=("$rebuilt")
    done
    cp -p "$debian" "$out" && "$target-ar" rD "$out" "${members[@]}" || return 1
  else
    (cd "$parts" && "$target-ar" x "$debian") || return 1
    while read -r member; do
      count=$((${seen[$member]:-0} + 1)) seen[$member]=$count
      path=$parts/$member
      if [ -n "${twice[$member]:-}" ]; then
        path=$parts/$count/$member
        mkdir -p "${path%/*}" && (cd "${path%/*}" && "$target-ar" xN "$count" "$debian" "$member") || return 1
      fi
      if [ -n "${late[$member]:-}" ]; then
        rebuilt_member "$1" "$member" "$path" || return 1
        theirs+=("$path") ours+=("$rebuilt") path=$rebuilt
      fi
      members+=("$path")
    done <<<"$list"
    # q, not r: r would take a second member of one name for the first.
    rm -f "$out" && "$target-ar" qcD "$out" "${members[@]}" || return 1
  fi
  [ "$("$target-ar" t "$out")" = "$list" ] || { echo "$1: not made of Debian's members" >>"$log"; return 1; }
  # The rebuilt members define what Debian's did.
  [ "$(defined_symbols "${ours[@]}")" = "$(defined_symbols "${theirs[@]}")" ] ||
    { echo "$1: the rebuilt members do not define what Debian's did" >>"$log"; return 1; }
}
# Sets rebuilt to the object built for a member; of several of its name, the
# one that defines what Debian's member does. crt_objects maps an object's
# name to the paths of those of that name.
rebuilt_member() {  # archive member debian-member
  local candidates=(${crt_objects[$2]:-})
  rebuilt=${candidates[0]:-}
  [ ${#candidates[@]} -ne 1 ] || return 0
  for rebuilt in "${candidates[@]}"; do
    [ "$(defined_symbols "$rebuilt")" = "$(defined_symbols "$3")" ] && return 0
  done
  echo "$1: no rebuilt object defines what $2 does" >>"$log"
  return 1
}
# The global symbols the files define, once each.
defined_symbols() { "$target-nm" -g --defined-only "$@" 2>>"$log" | awk 'NF == 3 { print $3 }' | sort -u; }

# GCC's build makes its own compiler first and builds the target libraries
# with it. Here the compiler is Debian's: gcc/xgcc and gcc/xg++ run it for the
# Pentium, and of GCC's own build folder only what the libraries read is made.
build_gcc() {
  begin "GCC: unpacking $runtime_gcc_source $gcc_version"
  local upstream=${gcc_version%-*} tarball patch part excludes=()
  upstream=${upstream#*:}
  mkdir -p "$work/orig" &&
    run tar -xzf "$work/sources/${runtime_gcc_source}_$upstream.orig.tar.gz" -C "$work/orig" --wildcards '*/gcc-[0-9]*.tar.*' &&
    run tar -xJf "$work/sources/${runtime_gcc_source}_${gcc_version#*:}.debian.tar.xz" -C "$work/orig" \
      $(for patch in $runtime_gcc_patches; do echo "debian/patches/$patch.diff"; done) || fail "disk full?"
  tarball=$(ls "$work"/orig/*/gcc-[0-9]*.tar.* 2>/dev/null | head -1)
  [ -n "$tarball" ] || fail "no GCC tarball in $runtime_gcc_source"
  for part in $runtime_gcc_unneeded; do excludes+=("--exclude=gcc-[0-9]*/$part"); done
  run tar -xf "$tarball" -C "$work" --anchored --wildcards "${excludes[@]}" && rm -f "$tarball" || fail "disk full?"
  local gcc_src
  gcc_src=$(ls -d "$work"/gcc-[0-9]*/ | head -1)
  for patch in $runtime_gcc_patches; do
    run patch -d "$gcc_src" -p2 -i "$work/orig/debian/patches/$patch.diff" || fail "patch $patch"
  done
  # Debian's compiler calls itself by its own version string, not the
  # tarball's: its library folder and the coverage data version follow it.
  echo "$compiler_version" >"$gcc_src/gcc/BASE-VER" || fail

  begin "GCC: configuring"
  local prefix=$work/prefix build=$work/build-gcc
  # Without the C library's headers here GCC takes the target for one without
  # a C library and builds a reduced libgcc.
  mkdir -p "$prefix/$target" "$build/gcc/include" && ln -s "/usr/$target/include" "$prefix/$target/sys-include" &&
    cd "$build" || fail
  # GCC's source is named relative to the build, and the work folder is
  # mapped, so that no file names the work folder. Debian's libraries hold
  # no debug information, and -g does not change the code GCC makes.
  run env CFLAGS_FOR_TARGET="-O2 -ffile-prefix-map=$work=/build" \
    CXXFLAGS_FOR_TARGET="-O2 -ffile-prefix-map=$work=/build" \
    "../$(basename "$gcc_src")/configure" --target=$target --prefix="$prefix" $runtime_gcc_configure \
    --with-as=/usr/bin/$target-as --with-ld=/usr/bin/$target-ld || fail
  # What the libraries read of GCC's own build, made without running its
  # configure: the compiler drivers (Debian's, for the Pentium), the
  # assembler, linker and nm they are given (Debian's binutils), the
  # generated headers from Debian's plugin folder, tconfig.h as GCC's
  # mkconfig.sh writes it from the headers Debian's build names in
  # b-header-vars, and libgcc.mvars.
  local plugin=$debian_gcc_lib/plugin/include tool header tconfig
  for tool in "xgcc $gcc -march=$runtime_arch" "xg++ $gxx -march=$runtime_arch" \
              "as /usr/bin/$target-as" "collect-ld /usr/bin/$target-ld" "nm /usr/bin/$target-nm"; do
    printf '#!/bin/sh\nexec %s "$@"\n' "${tool#* }" >"gcc/${tool%% *}" && chmod +x "gcc/${tool%% *}" ||
      fail "disk full?"
  done
  for header in $runtime_gcc_generated; do
    cp "$plugin/$header" gcc/ 2>>"$log" || fail "no $header in Debian's plugin folder"
  done
  tconfig=$(sed -n 's/^TCONFIG_H=tconfig\.h //p' "$plugin/b-header-vars")
  [ -n "$tconfig" ] || fail "no TCONFIG_H in Debian's plugin folder"
  (cd gcc && HEADERS=$tconfig DEFINES=USED_FOR_TARGET run sh "$gcc_src/gcc/mkconfig.sh" tconfig.h) &&
    printf '%s\n' "$runtime_gcc_mvars" >gcc/libgcc.mvars || fail

  begin "GCC: configuring libgcc and libstdc++"
  run env $runtime_libstdcxx_cache make -j2 --output-sync=target -o all-gcc -o all-target-libgcc \
    configure-target-libgcc configure-target-libstdc++-v3 || fail

  begin "GCC: building libgcc"
  run make -j"$jobs" -o all-gcc all-target-libgcc || fail
  begin "GCC: building libstdc++"
  run make -j"$jobs" -o all-gcc all-target-libstdc++-v3 &&
    run make -o all-gcc install-target-libgcc install-target-libstdc++-v3 || fail
  mv "$prefix/lib/gcc/$target/$compiler_version" "$runtime/gcc" || fail
}

# Each in a process group of its own, so that the other one can be stopped
# when one fails.
once_failed=$work/failed
set -m
build_crt & parts+=" $!"
build_gcc & parts+=" $!"
set +m
for p in $parts; do
  wait -n || once_parts_failed $parts
done
parts= once_failed=

begin "arranging the runtime"
rm -f "$runtime"/gcc/*.la "$runtime"/gcc/*-gdb.py
for lib in $runtime_gcc_empty; do
  run "$target-ar" rc "$runtime/gcc/$lib.a" || fail
done
left_out() {  # folder entries
  local entry lib
  for entry in $2; do
    lib=${entry%%:*}
    for f in "$lib.a" "$lib.dll.a"; do
      [ -e "$1/$f" ] ||
        printf 'INPUT("%s for the Pentium (the Pentium runtime leaves it out; Debian'"'"'s is for the Pentium Pro)")\n' \
          "$lib" >"$1/$f" || fail "disk full?"
    done
  done
}
left_out "$runtime/gcc" "$runtime_gcc_left_out"
left_out "$runtime/crt" "$runtime_crt_left_out"
# The options that would link them fail in the drivers, before the linker
# starts: a case of the shell for each.
left_out_options=
for entry in $runtime_gcc_left_out $runtime_crt_left_out; do
  pattern=${entry#*:}
  [ "${pattern#-l}" = "$pattern" ] || continue
  left_out_options+="    -$pattern) echo \"\$0: error: -${pattern%\*} needs ${entry%%:*}, which the Pentium runtime leaves out (Debian's is for the Pentium Pro)\" >&2; exit 1 ;;
"
done

begin "comparing with Debian's runtime"
run diff -r -I "$runtime_config_exempt" -I '^ *//' "$debian_gcc_lib/include/c++" "$runtime/gcc/include/c++" ||
  fail "the C++ headers differ from Debian's"
missing=$(comm -23 <(defined_symbols "$debian_gcc_lib"/lib{stdc++,supc++,gcc,gcc_eh}.a) \
                   <(defined_symbols "$runtime"/gcc/lib{stdc++,supc++,gcc}.a) | grep -vxF -e "${runtime_abi_exempt// /$'\n'}")
[ -z "$missing" ] || { echo "$missing" >>"$log"; fail "symbols of Debian's libraries are missing"; }

# The compilers a build uses: Debian's drivers for the Pentium, pointed at
# this runtime. Both -B are needed, in this order (GCC's folder before the C
# run-time's, as Debian's are): without the first the driver takes Debian's
# libgcc silently, without the second Debian's C run-time. The assembler too
# is told the CPU, so that a later instruction in the project's own inline
# assembly or intrinsics fails where it is assembled; the runtime's own
# sources, whose CPUID-guarded code holds such instructions, never come
# through here. A build names the drivers by this folder, so a new runtime is
# a new compiler to CMake, which then configures afresh rather than keep
# flags naming a runtime gone.
begin "writing the compiler drivers"
mkdir -p "$runtime/bin" || fail "disk full?"
cxx_headers="-nostdinc++ -isystem $dir/gcc/include/c++ -isystem $dir/gcc/include/c++/$target"
cxx_headers="$cxx_headers -isystem $dir/gcc/include/c++/backward"
for tool in gcc g++; do
  extra=
  [ $tool = g++ ] && extra=$cxx_headers
  printf '#!/bin/sh
# %s-%s-win32 for the Pentium, with the runtime of this folder.
# A link with an option that needs a library the runtime leaves out fails here.
link=yes
for arg; do case $arg in -c|-S|-E|-M|-MM|-fsyntax-only) link= ;; esac; done
[ -z "$link" ] || for arg; do
  case $arg in
%s  esac
done
exec %s -march=%s -Wa,-march=%s -B%s/gcc/ -B%s/crt/ %s "$@"
' \
    "$target" "$tool" "$left_out_options" "/usr/bin/$target-$tool-win32" "$runtime_arch" "$runtime_arch" "$dir" "$dir" "$extra" \
    >"$runtime/bin/$target-$tool" && chmod +x "$runtime/bin/$target-$tool" || fail "disk full?"
done

begin "checking programs built with it"
cat >"$work/probe.cpp" <<'EOF'
#include <stdexcept>
#include <string>
int main(int argc, char**) { try { throw std::runtime_error(std::string(argc, 'x')); }
                             catch (const std::exception& e) { return e.what()[0] != 'x'; } }
EOF
# The drivers name the runtime's final folder; until the rename it is here.
for tool in gcc g++; do
  sed "s|$dir/|$runtime/|g" "$runtime/bin/$target-$tool" >"$work/probe-$tool" && chmod +x "$work/probe-$tool" || fail
done
run "$work/probe-g++" -O2 -static "$work/probe.cpp" -o "$work/probe.exe" -Wl,-Map,"$work/probe.map" \
  -lws2_32 -lgdi32 -lole32 -luuid || fail
# Linked without -static too, as CMake's first test program is: g++ then
# asks for libgcc_s.
run "$work/probe-g++" -O2 "$work/probe.cpp" -o "$work/probe-plain.exe" -Wl,-Map,"$work/probe-plain.map" ||
  fail "a C++ program linked without -static"
taken=$(grep -ohE "(/usr/lib/gcc/$target|/usr/$target/lib)/[^ ()]+" "$work/probe.map" "$work/probe-plain.map" | sort -u)
[ -z "$taken" ] || { echo "$taken" >>"$log"; fail "the program still took parts of Debian's runtime"; }
# libgcov accepts the coverage data of objects that Debian's compiler makes.
(cd "$work" && run "$work/probe-gcc" --coverage -c -x c - -o covered.o <<<'int main(void) { return 0; }') &&
  version=$(od -An -tx4 -j4 -N4 "$work/covered.gcno" | tr -d ' ') && [ -n "$version" ] || fail
"$target-objdump" -d "$runtime/gcc/libgcov.a" | grep -q "cmpl *\$0x$version," ||
  fail "libgcov does not take the coverage data version $version of the compiler's objects"
echo 'int main(void) { __asm__("addps %xmm0, %xmm1"); return 0; }' >"$work/late.c"
! run "$work/probe-gcc" -c "$work/late.c" -o "$work/late.o" ||
  fail "the assembler took an SSE instruction for the Pentium"
echo 'int main(void) { return 0; }' >"$work/plain.c"
for entry in $runtime_gcc_left_out $runtime_crt_left_out; do
  use=${entry#*:}
  [ "${use#-l}" = "$use" ] && use=-${use%\*}
  "$work/probe-gcc" "$work/plain.c" -o "$work/plain.exe" $use >"$work/left-out" 2>&1 && fail "$use linked"
  cat "$work/left-out" >>"$log"
  [ "$(grep -vc '^collect2: ' "$work/left-out")" = 1 ] && grep -q "${entry%%:*}[ ,]" "$work/left-out" ||
    fail "$use did not fail in one line"
done
named=$(grep -rlF "$work" "$runtime")
[ -z "$named" ] || { echo "$named" >>"$log"; fail "files name the build folder"; }

begin "putting the runtime in place"
{
  echo "The Pentium runtime: mingw-w64-crt $crt_version, libgcc and libstdc++ of GCC $gcc_version,"
  echo "built for -march=$runtime_arch by $runtime_gcc_package $gcc_package_version.
bin/ holds the compiler drivers that use it."
} >"$runtime/README" && mv "$runtime" "$dir" || fail "disk full?"

# Another checkout's recipe may still use its own runtime: the most recent
# other one stays.
once_per_machine_prune "$runtime_cache" pentium-runtime 2
begin "the Pentium runtime is ready"
echo "$dir"
