#!/bin/bash
# Runs the Windows build's tests under Wine in the project's throwaway
# prefix (build/wine), creating it on first use. A warm wineserver keeps
# each test program's start-up at ~15 ms instead of ~2.5 s.
#
#   scripts/wine-ctest.sh [--win64] [ctest options]
#
# --win64 runs the 64-bit build of the tests (preset win64) in a 64-bit
# prefix, for a machine whose kernel starts no 32-bit programs.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=win32 prefix=prefix arch=()
if [ "${1:-}" = --win64 ]; then
  shift
  preset=win64 prefix=prefix64 arch=(--win64)
else
  scripts/check-32bit.sh || exit 1
fi
# Every Wine command as the tests' runner starts them: its prefix, HOME and
# Wine for the architecture.
wine() { cmake/wine-run.sh "${arch[@]}" "$@"; }
root=${KX_WINE_ROOT:-$PWD/build/wine}
export KX_WINE_ROOT=$root
export WINEPREFIX=$root/$prefix
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1 </dev/null || true
  wineserver -w
  # Without a window manager every top-level window would take 2 s to close.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
  wineserver -w
fi
# The page layout tests make windows: they need a display, headless here.
n=${KX_TEST_DISPLAY_NUMBER:-70}
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=":$n"
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$n" ] && break
  sleep 0.05
done
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
status=0
ctest --preset $preset "$@" || status=$?
# The pages again at 144 DPI (150 %), which each new program takes from the
# prefix; then back to 96.
dpi() { wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 </dev/null || true; }
if [ -f build/$preset/tests/kx_app_tests.exe ]; then
  dpi 144
  echo "PageLayout at 144 DPI:"
  log=$root/layout-144.log
  KX_EXPECT_DPI=144 wine build/$preset/tests/kx_app_tests.exe --gtest_filter='PageLayout.*' >"$log" 2>&1 </dev/null ||
    status=1
  grep -E '^\[ +(OK|FAILED|PASSED) +\]|Failure|DPI' "$log" || true
  dpi 96
fi
wineserver -k >/dev/null 2>&1 || true
exit $status
