#!/usr/bin/env bash
# guest.sh CASES RESULTS: boots one guest with the kernel's ALSA sequencer and runs every case of
# CASES in it (run-cases.sh), the results landing in RESULTS. Fails only when the guest could not
# run them all; each case's own test reports its result.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cases=$1 results=$2
rm -rf "$results"
mkdir -p "$results"
count=$(grep -c . "$cases")
# Boot, and each case at its limit, is the most the guest may take.
"$here/../../scripts/midi-vm" --share "$results" --timeout $((60 + count * ${ALSA_CASE_SECONDS:-240})) \
  -- bash "$here/run-cases.sh" "$cases" "$results"
