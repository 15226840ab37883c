#!/bin/bash
# The installer on machines it cannot be tried on for real: apt-get, dpkg,
# dpkg-query, id and the kernel probe are stand-ins that record each call,
# so each case checks what the installer did to the system and in what order.
# Also checks that the real kernel probe gives a definite answer.
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/corvane-install-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL [$case_name]: $*"; failures=$((failures + 1)); }

# A machine: $1 uid, $2 kernel runs 32-bit code (0 yes, 1 no), $3 exit code of
# apt-get update, $4 packages that cannot be installed, $5 packages installed.
machine() {
  rm -rf "$work/m"; mkdir -p "$work/m/bin" "$work/m/tools"
  cp "$repo/tools/install-deps.sh" "$work/m/tools/"
  printf '%s\n' $5 >"$work/m/installed"; : >"$work/m/arches"; : >"$work/m/log"
  cat >"$work/m/env" <<VARS
uid=$1; runs32=$2; update_rc=$3; broken=" $4 "; m=$work/m
VARS
  cat >"$work/m/tools/runs-32bit-code" <<'STUB'
#!/bin/bash
. "$(dirname "$0")/../env"; grep -qx binutils "$m/installed" || exit 2; exit $runs32
STUB
  cat >"$work/m/bin/id" <<'STUB'
#!/bin/bash
. "$(dirname "$0")/../env"; echo "$uid"
STUB
  cat >"$work/m/bin/dpkg-query" <<'STUB'
#!/bin/bash
. "$(dirname "$0")/../env"; grep -qx -- "${@: -1}" "$m/installed" && echo "install ok installed"
STUB
  cat >"$work/m/bin/dpkg" <<'STUB'
#!/bin/bash
. "$(dirname "$0")/../env"; echo "dpkg $*" >>"$m/log"
case $1 in
  --print-foreign-architectures) cat "$m/arches" ;;
  --add-architecture) echo "$2" >>"$m/arches" ;;
esac
STUB
  cat >"$work/m/bin/apt-get" <<'STUB'
#!/bin/bash
. "$(dirname "$0")/../env"; echo "apt-get $*" >>"$m/log"
[ "$1" = update ] && { echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size"; exit $update_rc; }
shift; packages=(); simulate=
for a; do case $a in -s) simulate=1 ;; -*) ;; *) packages+=("$a") ;; esac; done
for p in "${packages[@]}"; do [[ $broken == *" $p "* ]] && { echo "E: held broken packages"; exit 100; }; done
[ -n "$simulate" ] || printf '%s\n' "${packages[@]}" >>"$m/installed"
STUB
  chmod +x "$work/m/bin/"* "$work/m/tools/"*
}

install_deps() {
  PATH="$work/m/bin:$PATH" "$work/m/tools/install-deps.sh" >"$work/m/out" 2>&1
  status=$?
}
log_has() { grep -q -- "$1" "$work/m/log"; }
said() { grep -q -- "$1" "$work/m/out"; }
line_of() { grep -n -m1 -- "$1" "$work/m/log" | cut -d: -f1; }

case_name="not root: names what is missing and changes nothing"
machine 1000 1 0 "" ""
install_deps
[ $status -eq 1 ] || fail "exit $status, expected 1"
said "run as root" && said "wine64" || fail "output: $(cat "$work/m/out")"
[ -s "$work/m/log" ] && fail "the system was touched: $(cat "$work/m/log")"

all_host=$(sed -n '/^host_packages=(/,/^)/p' "$repo/tools/install-deps.sh" | tr -d '()' | sed 's/host_packages=//')
case_name="everything there: nothing to do, root or not"
machine 1000 1 0 "" "$all_host"
install_deps
[ $status -eq 0 ] || fail "exit $status: $(cat "$work/m/out")"
[ -s "$work/m/log" ] && fail "the system was touched: $(cat "$work/m/log")"

case_name="not root, only the i386 packages missing: the x86_64 path goes on (exit 2)"
machine 1000 0 0 "" "$all_host"
install_deps
[ $status -eq 2 ] || fail "exit $status, expected 2: $(cat "$work/m/out")"
said "wine32:i386" || fail "output: $(cat "$work/m/out")"
[ -s "$work/m/log" ] && fail "the system was touched: $(cat "$work/m/log")"

case_name="64-bit-only kernel and a broken index: the amd64 packages go in, nothing i386"
machine 0 1 100 "" ""
install_deps
[ $status -eq 0 ] || fail "exit $status: $(cat "$work/m/out")"
said "warning: some package indexes failed" || fail "the failed update was not reported"
log_has "apt-get install -y -qq .*wine64" || fail "wine64 was not installed: $(cat "$work/m/log")"
log_has "i386" && fail "i386 touched: $(grep i386 "$work/m/log")"

case_name="32-bit kernel, i386 packages not installable: amd64 complete, i386 named"
machine 0 0 100 "wine32:i386" ""
install_deps
[ $status -eq 2 ] || fail "exit $status, expected 2: $(cat "$work/m/out")"
said "cannot install: wine32:i386" || fail "output: $(cat "$work/m/out")"
grep -qx g++-mingw-w64-i686 "$work/m/installed" || fail "the amd64 packages are missing"
[ "$(line_of 'add-architecture i386')" -gt "$(line_of 'apt-get install -y -qq cmake')" ] 2>/dev/null ||
  fail "i386 was enabled before the amd64 packages were in: $(cat "$work/m/log")"

case_name="a needed amd64 package cannot be installed: named, and i386 left alone"
machine 0 0 0 "wine64" ""
install_deps
[ $status -eq 1 ] || fail "exit $status, expected 1"
said "cannot install: wine64" || fail "output: $(cat "$work/m/out")"
log_has "add-architecture" && fail "went on to i386 after the failure"

case_name="the real kernel probe gives a definite answer"
"$repo/tools/runs-32bit-code"; probe=$?
case $probe in
  0) [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1 &&
       fail "the probe says yes, but the 32-bit Wine loader does not start" ;;
  1) [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1 &&
       fail "the probe says no, but the 32-bit Wine loader starts" ;;
  *) fail "exit $probe (binutils are installed with the build tools)" ;;
esac

[ $failures -eq 0 ] && echo "install_deps_test: all cases passed"
exit $((failures > 0))
