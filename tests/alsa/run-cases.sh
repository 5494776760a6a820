#!/usr/bin/env bash
# run-cases.sh CASES RESULTS: runs in the guest, one case after another as CASES lists them (a
# line each: the case's name, then its command as shell words), and leaves in RESULTS each case's
# output (NAME.out) and exit status (NAME.status) for the test that reports it. Every case has a
# time limit, so one that hangs fails alone. Exits 0 once every case ran, whatever they gave.
set -uo pipefail
cases=$1 results=$2
: "${ALSA_CASE_SECONDS:=240}"

while read -r name command; do
  [ -n "$name" ] || continue
  started=$SECONDS
  timeout --kill-after=10 "$ALSA_CASE_SECONDS" bash -c "$command" > "$results/$name.out" 2>&1 < /dev/null
  status=$?
  [ "$status" -ne 124 ] || echo "FAIL: no end within $ALSA_CASE_SECONDS s" >> "$results/$name.out"
  echo "$status" > "$results/$name.status"
  echo "$name: status $status after $((SECONDS - started)) s"
done < "$cases"
