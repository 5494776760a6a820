#!/usr/bin/env bash
# guest.sh CASES RESULTS PREFIX: makes the wine prefix PREFIX here (wine builds it in seconds on
# this processor, in minutes on the guest's emulated one), then runs every case of CASES in one
# guest with the kernel's ALSA sequencer, the prefix shared with it writable (wine keeps its
# registry there), in one wine session whose desktop is up first (session.sh), and leaves their
# results in RESULTS (tests/alsa/run-cases.sh). Fails only when the guest could not run them all;
# each case's own test reports its result.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cases=$1 results=$2 prefix=$3
source "$here/../lib.sh"
rm -rf "$prefix"
wine_prefix "$prefix"
wine_stop
export WINDOWS_PREFIX=$WINEPREFIX
export DESKTOP_SECONDS=600
rm -rf "$results"
mkdir -p "$results"
count=$(grep -c . "$cases")
"$here/../../../scripts/midi-vm" --share "$results" --share "$prefix" \
  --timeout $((60 + DESKTOP_SECONDS + count * ${ALSA_CASE_SECONDS:-240})) -- bash "$here/session.sh" "$cases" "$results"
