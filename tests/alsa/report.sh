#!/usr/bin/env bash
# report.sh RESULTS NAME: what the case NAME printed in the guest, and its exit status.
results=$1 name=$2
if [ ! -f "$results/$name.status" ]; then
  echo "FAIL: the guest left no result for $name: see the output of the test alsa.guest" >&2
  exit 1
fi
cat "$results/$name.out"
exit "$(cat "$results/$name.status")"
