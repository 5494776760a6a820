#!/usr/bin/env bash
# run-suite.sh PREFIX SECONDS PROGRAM [ARGUMENTS...]: runs a Windows test program under wine in the
# wine prefix PREFIX (made at first use, never the user's ~/.wine), headless, for at most SECONDS;
# prints its output and exits with its status (124 when it ran out of time).
set -euo pipefail
prefix=$1
seconds=$2
shift 2

# No debugger on a crash, which would wait for ever: the program ends with its fault's status.
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset DISPLAY WAYLAND_DISPLAY

# Suites may start together: the first makes the prefix under the lock, the others wait for it.
mkdir -p "$(dirname "$prefix")"
exec 9> "$prefix.lock"
flock 9
if [[ ! -f $prefix/.made ]]; then
  rm -rf "$prefix"
  wineboot --init > /dev/null 2>&1
  # Message-only windows still load a graphics driver; the null one needs no display.
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f > /dev/null 2>&1
  wineserver --wait
  touch "$prefix/.made"
fi
flock --unlock 9

status=0
timeout --kill-after=10 "$seconds" wine "$@" || status=$?
if ((status == 124)); then
  echo "run-suite.sh: $(basename "$1") did not finish within $seconds s" >&2
fi
exit "$status"
