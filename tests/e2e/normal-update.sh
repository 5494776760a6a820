#!/usr/bin/env bash
# A whole update over a JACK server: the tool prints exactly the log of a successful update and
# the device received the build's table, block for block.
source "$(dirname "$0")/lib.sh"
start_server
start_emulator --ready-after 2
start_tool
wait_for "$WORK/tool.out" ">Finished" "$UPDATE_SECONDS"
sleep 0.5
stop_tool
check_successful_update
check_quiet "during the update"
echo "PASS: normal update"
