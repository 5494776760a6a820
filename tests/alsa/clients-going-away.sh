#!/usr/bin/env bash
# Sequencer clients go away under the tool: in mid-update the device's client is killed outright
# (its ports never closed), and the kernel's own clients of a MIDI interface's driver are
# removed. The tool keeps running and waits without a word more, and SIGTERM still ends it
# with status 0. The driver is back afterwards, for the cases that follow.
source "$(dirname "$0")/../e2e/lib.sh"

restore_driver() {
  stop_everything
  modprobe snd-virmidi
}
trap restore_driver EXIT

start_server
# Flashing takes a while per block, so the update is surely under way when the device goes.
start_emulator --block-delay 200
start_tool
wait_for "$WORK/emulator.out" "qlt1-emulator: block 20" 120
kill -KILL "$EMULATOR_PID"
wait "$EMULATOR_PID" 2>/dev/null || true
modprobe -r snd-virmidi || fail "the MIDI interface's driver could not be removed"
sleep 0.5
logged=$(cat "$WORK/tool.out")
sleep 3
kill -0 "$TOOL_PID" 2>/dev/null || fail "the tool ended when the clients went away"
[ "$(cat "$WORK/tool.out")" = "$logged" ] || fail "the tool logged more after the device went away"
[[ "$(tail -n 1 "$WORK/tool.out")" == ">Block "* ]] || fail "the update did not stop at a block: $(tail -n 1 "$WORK/tool.out")"
check_quiet "when the clients went away"
stop_tool
echo "PASS: clients going away"
