# Shared by the Wine scripts (the test harness and run.sh): which loader and
# server to call, whether this machine can run the i686 programs, and the one
# start-up of Xvfb and a Wine prefix.

wine_tools_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

wine_loader() {  # arch (win32|win64)
  case "$1" in
    win32) echo /usr/lib/wine/wine ;;
    *)     echo /usr/lib/wine/wine64 ;;
  esac
}

wine_server() {
  if [ -x /usr/lib/wine/wineserver64 ]; then echo /usr/lib/wine/wineserver64
  else echo /usr/lib/wine/wineserver32; fi
}

# Why the i686 programs cannot run here; prints nothing when they can, that
# is when 32-bit Wine starts. Otherwise the kernel may run no 32-bit code at
# all (IA-32 emulation off), or 32-bit Wine may be missing (its i386 packages
# could not be installed).
i686_blocker() {
  "$(wine_loader win32)" --version >/dev/null 2>&1 && return
  "$wine_tools_dir/../../tools/runs-32bit-code" 2>/dev/null
  case $? in
    0) echo "32-bit Wine (wine32:i386) is not installed" ;;
    1) echo "this kernel runs no 32-bit code" ;;
    *) echo "cannot tell whether this kernel runs 32-bit code (binutils missing)" ;;
  esac
}

host_runs_32bit() { [ -z "$(i686_blocker)" ]; }

# Starts Xvfb on a free display (it reports the number on a pipe); sets
# DISPLAY and xvfb_pid.
start_xvfb() {  # logfile
  exec 3<> <(:)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$1" 2>&1 &
  xvfb_pid=$!
  local display
  read -r -t 20 display <&3 || { exec 3>&-; echo "Xvfb did not start (see $1)" >&2; return 1; }
  exec 3>&-
  export DISPLAY=:$display
}

# Starts a persistent wineserver for $WINEPREFIX and boots a new prefix once.
# The server keeps Wine's system processes alive for the whole run: started
# later, a program would start them, and they would inherit its output.
boot_prefix() {  # arch logfile
  mkdir -p "$WINEPREFIX"
  "$(wine_server)" -p
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  "$(wine_loader "$1")" wineboot -i >"$2" 2>&1 || { echo "wineboot failed:" >&2; cat "$2" >&2; return 1; }
}

# Without a window manager Wine waits about 2 s whenever a window is hidden;
# unmanaged windows do not. The prefix's own setting is kept, for
# managed_windows_again to bring back.
unmanaged_windows() {  # arch
  local wine
  wine=$("$(wine_loader "$1")" reg query 'HKCU\Software\Wine\X11 Driver' /v Managed 2>/dev/null)
  managed_before=$(awk '$1 == "Managed" { print $3 }' <<<"$wine")
  "$(wine_loader "$1")" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  unmanaged_set=1
}

# Undoes unmanaged_windows in a prefix that is kept: windows of a later run
# with a window manager are managed again.
managed_windows_again() {  # arch
  [ -n "${unmanaged_set:-}" ] || return 0
  if [ -n "${managed_before:-}" ]; then
    "$(wine_loader "$1")" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed_before" /f >/dev/null 2>&1
  else
    "$(wine_loader "$1")" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1
  fi
  unmanaged_set=
}

# Keeps the desktop, Wine's explorer.exe, up until the caller ends, and
# returns once it is there. Without a program left on it, the desktop closes
# a few seconds after each program, and the next program that makes a window
# starts it again: under the emulator 5 to 12 s each time. A console program
# that waits for input holds it open; it ends when the caller's end closes
# its input. The desktop itself is started here, with no output of anyone's:
# started by the first test program that makes a window, it would inherit
# that program's output and, held for the whole run, keep it open after the
# program ended.
hold_desktop() {  # arch fifo
  local loader limit=$((120 * ${CORVANE_WAIT_SCALE:-1})) from=$SECONDS
  loader=$(wine_loader "$1")
  mkfifo "$2" || return 1
  "$loader" cmd /k <"$2" >/dev/null 2>&1 &
  exec 8>"$2"
  "$loader" explorer.exe /desktop </dev/null >/dev/null 2>&1 &
  until desktop_running; do
    [ $((SECONDS - from)) -lt "$limit" ] || { echo "the Wine desktop did not start within $limit s" >&2; return 1; }
    sleep 1
  done
}

# Whether this prefix's desktop runs: Wine names its processes by their
# Windows command lines.
desktop_running() {
  local p
  for p in /proc/[0-9]*; do
    case $( { tr '\0' ' ' <"$p/cmdline"; } 2>/dev/null) in
      *'\explorer.exe /desktop'*) { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0 ;;
    esac
  done
  return 1
}

# Stops only what this script started: the prefix's wineserver and its Xvfb.
stop_wine() {
  "$(wine_server)" -k 2>/dev/null
  if [ -n "${xvfb_pid:-}" ]; then kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null; fi
  xvfb_pid=
}
