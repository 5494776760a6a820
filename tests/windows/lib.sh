# shellcheck shell=bash
# Shared by the wine tests (source it): the project's wine prefix (scripts/wine-prefix.sh:
# wine_prefix, wine_run, wine_fail), wine's session and desktop made ready for a run of programs,
# and waiting for a line in a file.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-prefix.sh"

# wine_desktop SECONDS: starts the session's desktop process (explorer.exe /desktop) and waits
# until it has set up its graphics driver, which it records in the registry until the session
# ends; status 1 when that takes more than SECONDS. A program that finds no desktop starts this
# process itself but waits for it only ten seconds: on a slow or busy machine it then goes on with
# a desktop without a driver, and every window it makes fails for the rest of its life, with error
# 0. Programs started once this has returned find the desktop ready. The desktop process writes
# to the prefix's desktop.log, not to the caller's streams, so that no pipe it shares with a later
# program stays open for as long as the desktop runs.
wine_desktop() {
  local deadline=$((SECONDS + $1))
  DISPLAY='' "$WINE" explorer.exe /desktop > "$WINEPREFIX/desktop.log" 2>&1 < /dev/null &
  until DISPLAY='' "$WINE" reg query 'HKLM\System\CurrentControlSet\Control\Video' /s 2> /dev/null |
    tr -d '\r' | grep -q GraphicsDriver; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 1
  done
}

# wine_session SECONDS: makes wine's session ready for a run of programs, so that each finds the
# same desktop up: its server kept up, a program of the session's own (cmd.exe waiting for a line
# that never comes, on descriptor 3) for as long as the caller keeps descriptor 3 open (once no
# program of a user is left, wine ends the session's system processes, the desktop among them),
# and the desktop process ready (wine_desktop SECONDS, whose status it returns). The caller closes
# descriptor 3 and ends the server (wineserver -k) when done.
wine_session() {
  local keeper_input
  wineserver -p
  keeper_input=$(mktemp -u)
  mkfifo "$keeper_input"
  DISPLAY='' "$WINE" cmd.exe /c "set /p line=" < "$keeper_input" > "$WINEPREFIX/keeper.log" 2>&1 &
  exec 3> "$keeper_input"
  rm -f "$keeper_input"
  wine_desktop "$1"
}

# wine_close IMAGE: asks the prefix's programs named IMAGE (bass-firmware.exe) to close as their
# close box would: taskkill without /F posts WM_CLOSE to their top-level windows. (SIGINT to the
# wine process raises a Ctrl+C console event in the program; SIGTERM ends it with no chance to
# close.) Starting taskkill takes half a minute in the guest on a busy host: it has two.
wine_close() {
  wine_run 120 taskkill /IM "$1" > /dev/null
}

# wine_wait_idle SECONDS: waits until every program of the prefix has ended (the wineserver goes
# away with the last one); status 124 when they are still running after SECONDS.
wine_wait_idle() {
  timeout "$1" wineserver -w
}

# wine_stop: ends every program of the prefix at once and waits for the wineserver to go.
wine_stop() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  wineserver -k 2> /dev/null || true
  wineserver -w 2> /dev/null || true
}

# lines FILE: FILE's lines without the carriage return that a Windows program's text-mode output
# puts before each newline.
lines() {
  tr -d '\r' < "$1"
}

# wait_for_line SECONDS FILE LINE: waits until FILE holds LINE as a whole line; status 1 when it
# does not within SECONDS.
wait_for_line() {
  local deadline=$((SECONDS + $1))
  until [ -f "$2" ] && lines "$2" | grep -qxF -- "$3"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}
