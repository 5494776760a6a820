#!/usr/bin/env bash
# The device vanishes in mid-update: the tool keeps running and waits, nothing crashes, and
# SIGTERM still ends it with status 0.
source "$(dirname "$0")/lib.sh"
start_server
start_emulator --vanish-after 20
start_tool
wait_for "$WORK/emulator.out" "qlt1-emulator: vanished after block 20" "$UPDATE_SECONDS"
wait_for "$WORK/tool.out" ">Block 20" 30
sleep 2
kill -0 "$TOOL_PID" 2>/dev/null || fail "the tool ended when the device vanished"
[ "$(tail -n 1 "$WORK/tool.out")" = ">Block 20" ] || fail "the tool logged more after the device vanished"
stop_tool
echo "PASS: vanishing device"
