# Shared by the Wine scripts: which loader and server to call, and whether
# this host can run 32-bit programs at all.

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

# Some kernels are built or booted without 32-bit emulation: the 32-bit Wine
# loader then fails with "Exec format error" and no i686 program can run.
host_runs_32bit() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}
