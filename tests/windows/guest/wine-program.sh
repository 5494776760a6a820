#!/usr/bin/env bash
# wine-program.sh ARG...: the Windows program (WINDOWS_PROGRAM) under wine in the guest with the
# arguments given, for a command that answers and ends (--list-ports): its standard output and
# error apart and without Windows' line ends, and the program's own exit status.
set -uo pipefail
source "$(dirname "$0")/wine-guest.sh"
# lib.sh stops at a failing command; a status here is to be passed on.
set +e
: "${WINDOWS_PROGRAM:?the bass-firmware.exe of the Windows build}"

program=$(guest_copy "$WINDOWS_PROGRAM")
errors=$GUEST_PROGRAMS/errors
wine "$program" "$@" 2> "$errors" | sed -u 's/\r$//'
status=${PIPESTATUS[0]}
sed 's/\r$//' "$errors" >&2
exit "$status"
