#!/usr/bin/env bash
# run-suite.sh PREFIX SECONDS PROGRAM [ARGUMENTS...]: runs a Windows test program under wine in the
# wine prefix PREFIX (made at first use, never the user's ~/.wine), headless, for at most SECONDS;
# prints its output and exits with its status (124 when it ran out of time).
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
prefix=$1
seconds=$2
shift 2

# Suites may start together: the first makes the prefix under the lock, the others wait for it.
mkdir -p "$(dirname "$prefix")"
exec 9> "$prefix.lock"
flock 9
wine_prefix "$prefix"
flock --unlock 9

status=0
wine_run "$seconds" "$@" || status=$?
if ((status == 124)); then
  echo "run-suite.sh: $(basename "$1") did not finish within $seconds s" >&2
fi
exit "$status"
