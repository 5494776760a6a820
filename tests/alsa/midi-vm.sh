#!/usr/bin/env bash
# scripts/midi-vm itself: a command's output and exit status come back; a guest that does not
# end is stopped at the time limit with its last output shown; a missing piece is named before
# anything boots.
set -uo pipefail
vm="$(dirname "$0")/../../scripts/midi-vm"
fail() { echo "FAIL: $*"; exit 1; }

output=$("$vm" -- sh -c 'echo "from the guest"; test -e /dev/snd/seq && echo sequencer; exit 3')
status=$?
[ "$status" -eq 3 ] || fail "the command's status 3 came back as $status"
[ "$output" = $'from the guest\nsequencer' ] || fail "the command's output came back as: $output"

started=$SECONDS
output=$("$vm" --timeout 25 -- sh -c 'echo "still here"; sleep 600' 2>&1)
status=$?
[ "$status" -eq 124 ] || fail "a guest past its time limit gave status $status"
[ $((SECONDS - started)) -lt 45 ] || fail "the guest was stopped only after $((SECONDS - started)) s"
grep -q "did not finish within its time limit" <<< "$output" || fail "no word of the time limit: $output"
grep -q "still here" <<< "$output" || fail "the guest's last output is missing: $output"

output=$(PATH=/nowhere /usr/bin/python3 "$vm" -- true 2>&1)
status=$?
[ "$status" -eq 125 ] || fail "without QEMU the status was $status"
grep -q "install the package qemu-system-x86" <<< "$output" || fail "the missing package is not named: $output"
echo "PASS: midi-vm"
