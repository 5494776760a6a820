# shellcheck shell=bash
# The one way this project makes a wine prefix (source it): quiet, 64-bit, and touching nothing of
# the host's desktop. winemenubuilder (menu entries, file associations) is off; the graphics
# driver is the null one (windows that exist and take messages but are drawn nowhere, so no X
# display is needed) unless the caller asks for wine's X11 driver.
set -euo pipefail

# Never the caller's prefix: each user makes its own with wine_prefix.
unset WINEPREFIX
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko installer prompts, no host menu entries, and no debugger on a crash, which
# would wait for ever: the program ends with its fault's status.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=;winedbg.exe="
# Debian puts wine64 outside PATH; the wine launcher picks it for a 64-bit prefix.
WINE=${WINE:-wine}

wine_fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# wine_run SECONDS PROGRAM [ARG...]: runs PROGRAM under wine with no display; fails with status
# 124 when it is still running after SECONDS.
wine_run() {
  local limit=$1
  shift
  DISPLAY='' timeout --kill-after=10 "$limit" "$WINE" "$@"
}

# wine_prefix DIR [null|x11]: makes DIR a 64-bit prefix with that graphics driver (null unless
# told) and uses it (WINEPREFIX) from then on; again on a prefix made so it only selects it. With
# x11, wine draws the windows' frames itself, since no window manager runs where we take pictures.
wine_prefix() {
  local graphics=${2:-null}
  export WINEPREFIX
  WINEPREFIX=$(realpath -m "$1")
  [ ! -f "$WINEPREFIX/.graphics-$graphics" ] || return 0
  mkdir -p "$WINEPREFIX"
  DISPLAY='' timeout 180 "$WINE" wineboot --init > "$WINEPREFIX/wineboot.log" 2>&1 ||
    wine_fail "wineboot could not make the prefix $WINEPREFIX: $(tail -5 "$WINEPREFIX/wineboot.log")"
  wine_run 60 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$graphics" /f > /dev/null ||
    wine_fail "could not select the $graphics graphics driver"
  if [ "$graphics" = x11 ]; then
    wine_run 60 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f > /dev/null ||
      wine_fail "could not make wine draw the windows' frames"
  fi
  # The desktop process of this wine session started without a display and stays failed, and with
  # it every top-level window: the next program must start a session of its own.
  timeout 60 wineserver -w || wine_fail "the wine session that made the prefix did not end"
  touch "$WINEPREFIX/.graphics-$graphics"
}
