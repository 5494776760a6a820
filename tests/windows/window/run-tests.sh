#!/usr/bin/env bash
# run-tests.sh WINDOW_TESTS_EXE [GTEST ARGS...]: runs the window's tests under wine in a headless
# prefix of their own (the null graphics driver: windows exist and take messages, drawn nowhere).
set -euo pipefail
unset WINEPREFIX
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEPREFIX=${WINDOW_TESTS_PREFIX:-/tmp/bass-firmware-window-tests-$(id -u)}
if [ ! -f "$WINEPREFIX/.headless" ]; then
  mkdir -p "$WINEPREFIX"
  DISPLAY='' timeout 180 wine wineboot --init > "$WINEPREFIX/wineboot.log" 2>&1
  DISPLAY='' timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f > /dev/null
  touch "$WINEPREFIX/.headless"
fi
DISPLAY='' timeout --kill-after=10 300 wine "$@"
