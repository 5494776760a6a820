#!/usr/bin/env bash
# The Windows program under wine, as the end-to-end scripts start the tool (TOOL): its standard
# output and error without Windows' line ends, SIGTERM passed on as the system's request to close
# (WM_CLOSE to its window), and the program's own exit status.
set -uo pipefail
source "$(dirname "$0")/wine-guest.sh"
# lib.sh stops at a failing command; a status here is to be passed on.
set +e
: "${WINDOWS_PROGRAM:?the bass-firmware.exe of the Windows build}"

program=$(guest_copy "$WINDOWS_PROGRAM")
lines_out=$GUEST_PROGRAMS/lines-out
mkfifo "$lines_out"
sed -u 's/\r$//' < "$lines_out" &
filter=$!
wine "$program" > "$lines_out" 2> >(sed -u 's/\r$//' >&2) &
tool=$!
# A program that a close request does not end within this time is ended, with a line that says
# so: the case then fails at once instead of at its time limit.
close_seconds=120
interrupted=0
watchdog=
close_request() {
  interrupted=1
  wine_close "$(basename "$program")"
  (
    sleep "$close_seconds"
    kill -0 "$tool" 2> /dev/null || exit 0
    echo "FAIL: the program did not end within $close_seconds s of the close request" >&2
    kill -KILL "$tool"
  ) &
  watchdog=$!
}
trap close_request TERM INT

# A trapped signal ends a wait early, with the signal's status: wait again for the program's own.
wait "$tool"
status=$?
while [ "$interrupted" = 1 ]; do
  interrupted=0
  wait "$tool"
  status=$?
done
[ -z "$watchdog" ] || kill "$watchdog" 2> /dev/null
wait "$filter"
exit "$status"
