#!/bin/bash
# Installs what is missing, builds Corvane and starts it in a Wine prefix that
# holds a demo ATI Rage 128 driver key. Without $DISPLAY it starts Xvfb, waits
# for the dialog, saves a screenshot and ends. Tears down only what it started.
#   ./run.sh            (CORVANE_PREFIX, CORVANE_BUILD_DIR, CORVANE_SHOT may override)
set -u
cd "$(dirname "$0")"
. tests/support/wine_tools.sh

tools/install-deps.sh
case $? in 0|2) ;; *) echo "run.sh: set-up failed" >&2; exit 1 ;; esac

# The program is 32-bit; where the i686 build cannot run, the x86_64 one does.
blocker=$(i686_blocker)
if [ -z "$blocker" ]; then preset=mingw32 arch=win32
else preset=mingw64 arch=win64
  echo "run.sh: $blocker: using the x86_64 build"
fi
build=${CORVANE_BUILD_DIR:-build/$preset}
echo "run.sh: building $build"
{ cmake --preset "$preset" -B "$build" >/dev/null 2>&1 || cmake --preset "$preset" -B "$build" --fresh >/dev/null; } &&
  cmake --build "$build" --target corvane || exit 1

export WINEPREFIX=${CORVANE_PREFIX:-$PWD/build/wine-$arch} WINEARCH=$arch
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(wine_loader "$arch")
logs=$(mktemp -d /tmp/corvane-run.XXXXXX)
trap 'managed_windows_again "$arch"; stop_wine; rm -rf "$logs"' EXIT
trap 'exit 130' INT TERM

headless=
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  start_xvfb "$logs/xvfb.log" || exit 1
  echo "run.sh: no display; started Xvfb on $DISPLAY"
fi

[ -f "$WINEPREFIX/system.reg" ] || echo "run.sh: preparing the Wine prefix $WINEPREFIX"
boot_prefix "$arch" "$logs/boot.log" || exit 1
ddhal='HKLM\SOFTWARE\ATI TECHNOLOGIES\DRIVER\DDHAL'
if ! "$wine" reg query "$ddhal" >/dev/null 2>&1; then
  echo "run.sh: adding the demo driver key $ddhal"
  for value in AntiAlias=1 Break=0 DitherInit=1 EnableKatmai=0 Palette=1; do
    "$wine" reg add "$ddhal" /v "${value%=*}" /t REG_SZ /d "${value#*=}" /f >/dev/null
  done
fi

exe=$build/bin/corvane.exe
if [ -z "$headless" ]; then
  echo "run.sh: starting $exe on $DISPLAY"
  "$wine" "$exe"
  exit 0
fi

# With CORVANE_TEST_SHOT=FILE.png, also starts the Direct3D test from the
# dialog and saves a screenshot of its window there.
test_window_shot() {
  [ -n "${CORVANE_TEST_SHOT:-}" ] || return 0
  cmake --build "$build" --target d3d_test_shot >/dev/null || return 1
  local bmp="$logs/d3d-test.bmp"
  "$wine" "$build/bin/d3d_test_shot.exe" "$bmp" && convert "$bmp" "$CORVANE_TEST_SHOT" &&
    echo "run.sh: screenshot of the Direct3D test window saved as $CORVANE_TEST_SHOT"
}

unmanaged_windows "$arch"
"$wine" "$exe" &
disown  # ended with the prefix's wineserver at exit, without a report from bash
version=$(sed -n 's/^project(Corvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
shot=${CORVANE_SHOT:-$PWD/build/corvane.png}
for _ in $(seq 100); do   # up to 20 s for the dialog to show and paint
  geometry=$(xwininfo -name "Corvane $version" 2>/dev/null |
             awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
                  /Width:/{w=$2} /Height:/{h=$2} END{if (w) print w "x" h "+" x "+" y}')
  if [ -n "$geometry" ]; then
    xwd -root -silent | convert xwd:- -crop "$geometry" +repage "$shot"
    colours=$(convert "$shot" -format %k info: 2>/dev/null)
    [ "${colours:-0}" -gt 4 ] && { echo "run.sh: screenshot of the dialog saved as $shot"; test_window_shot; exit $?; }
  fi
  sleep 0.2
done
echo "run.sh: the dialog did not appear within 20 s" >&2
exit 1
