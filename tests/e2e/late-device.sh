#!/usr/bin/env bash
# The device appears two seconds after the tool started; until then the tool only waits.
source "$(dirname "$0")/lib.sh"
start_server
start_tool
# From the tool's first line on, however long its start took.
wait_for "$WORK/tool.out" ">Switch on QLT-1" 60
start_emulator --appear-after 2000
sleep 1
# What the tool logged first, then whether the device was there yet: read in that order, a device
# not there yet was not there for anything read before. On a machine so slow (the guest's emulated
# processor on a busy host) that the device appeared before the second read, the waiting cannot be
# told from the update in this run, and only the update is checked.
logged=$(cat "$WORK/tool.out")
if grep -qF " open on $MIDI_SYSTEM" "$WORK/emulator.out"; then
  echo "note: the device appeared before the check; the waiting was not checked in this run"
else
  [ "$logged" = ">Switch on QLT-1" ] || fail "the tool logged more than its first line while waiting"
fi
wait_for "$WORK/tool.out" ">Finished" "$UPDATE_SECONDS"
stop_tool
check_successful_update
echo "PASS: late device"
