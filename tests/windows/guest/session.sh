#!/usr/bin/env bash
# session.sh CASES RESULTS: in the guest, runs the cases (tests/alsa/run-cases.sh) in one wine
# session made ready first, so that every program of every case finds the same desktop up:
# - its server kept up from case to case;
# - a program of the session's own (cmd.exe waiting for a line that never comes) for as long as
#   the cases run: once no program of a user is left, wine ends the session's system processes,
#   the desktop process among them, and the next program would start a desktop of its own again;
# - its desktop process up before the first program starts (wine_desktop). Started by a program,
#   it gets ten seconds; here, on the guest's emulated processor with the host busy, it has taken
#   up to three minutes, and a program that finds no desktop ready gets one without a driver, where
#   its main window fails ("Cannot create the main window: system error 0") or, made on another
#   desktop than taskkill's, never receives the close request that ends a case.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"
: "${WINDOWS_PREFIX:?the wine prefix guest.sh made}"
: "${DESKTOP_SECONDS:=600}"
export WINEPREFIX=$WINDOWS_PREFIX

trap 'exec 3>&-; wineserver -k 2> /dev/null || true' EXIT
wine_session "$DESKTOP_SECONDS" ||
  wine_fail "wine's desktop was not ready within $DESKTOP_SECONDS s: $(tail -5 "$WINEPREFIX/desktop.log")"
echo "wine's desktop ready after $SECONDS s"
bash "$here/../../alsa/run-cases.sh" "$@"
