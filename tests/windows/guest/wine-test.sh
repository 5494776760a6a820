#!/usr/bin/env bash
# wine-test.sh PROGRAM [ARG...]: a Windows test program under wine in the guest, its output
# without Windows' line ends, its exit status.
set -uo pipefail
source "$(dirname "$0")/wine-guest.sh"
# lib.sh stops at a failing command; a status here is to be passed on.
set +e
program=$(guest_copy "$1")
shift
wine "$program" "$@" 2>&1 | sed -u 's/\r$//'
exit "${PIPESTATUS[0]}"
