#!/usr/bin/env bash
# session.sh CASES RESULTS: in the guest, runs the cases (tests/alsa/run-cases.sh) in one wine
# session made ready first: its server kept up from case to case, so that the cases' programs do
# not each start a session and a desktop process of their own, and its desktop process up before
# the first program starts (wine_desktop; on the guest's emulated processor, with the host busy,
# it has taken longer than the ten seconds a program gives it).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../lib.sh"
: "${WINDOWS_PREFIX:?the wine prefix guest.sh made}"
: "${DESKTOP_SECONDS:=300}"
export WINEPREFIX=$WINDOWS_PREFIX

wineserver -p
trap 'wineserver -k 2> /dev/null || true' EXIT
wine_desktop "$DESKTOP_SECONDS" ||
  wine_fail "wine's desktop was not ready within $DESKTOP_SECONDS s: $(tail -5 "$WINEPREFIX/desktop.log")"
echo "wine's desktop ready after $SECONDS s"
bash "$here/../../alsa/run-cases.sh" "$@"
