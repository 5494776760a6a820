#!/usr/bin/env bash
# The ALSA sequencer appears only after the tool started (its modules loaded late, as when a USB
# interface's driver loads): until then the tool only waits, quietly; then it finds the
# sequencer within its re-look, then the device, and the update completes. The sequencer's
# modules are back as they were afterwards, for the cases that follow.
source "$(dirname "$0")/../e2e/lib.sh"

restore_sequencer() {
  stop_everything
  modprobe -a snd-seq snd-seq-dummy snd-virmidi
}
trap restore_sequencer EXIT

# What holds the sequencer goes first: its kernel clients, then the event coder they leave behind.
modprobe -r snd-virmidi snd-seq-dummy && modprobe -r snd-seq-midi-event snd-seq ||
  fail "the sequencer's modules could not be unloaded"
[ ! -e /dev/snd/seq ] || fail "the sequencer is still there after its modules went"
start_tool
wait_for "$WORK/tool.out" ">Switch on QLT-1" 60
sleep 3
[ "$(cat "$WORK/tool.out")" = ">Switch on QLT-1" ] || fail "the tool logged more than its first line without a sequencer"
check_quiet "while there was no sequencer"

modprobe -a snd-seq snd-seq-dummy || fail "the sequencer's modules could not be loaded"
start_server
start_emulator
wait_for "$WORK/tool.out" ">Finished" 120
sleep 0.5
stop_tool
check_successful_update
check_quiet "during the update"
echo "PASS: late sequencer"
