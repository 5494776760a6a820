#!/usr/bin/env bash
# The device appears two seconds after the tool started; until then the tool only waits.
source "$(dirname "$0")/lib.sh"
start_server
start_tool
# From the tool's first line on, however long its start took.
wait_for "$WORK/tool.out" ">Switch on QLT-1" 60
start_emulator --appear-after 2000
sleep 1
[ "$(cat "$WORK/tool.out")" = ">Switch on QLT-1" ] || fail "the tool logged more than its first line while waiting"
wait_for "$WORK/tool.out" ">Finished" "$UPDATE_SECONDS"
stop_tool
check_successful_update
echo "PASS: late device"
