#!/usr/bin/env bash
# hostile-device.sh notes|clock|sensing|giant: the device floods the tool with short messages
# before every reply but the first (1,000 each, 69,000 in an update), or sends a System Exclusive message of
# 1 MiB before its first acknowledgement. The tool picks its replies out of it: the log of a
# successful update, the image intact, nothing on standard error. A flood stays below the 1,024
# events the tool's input ring holds: the tool reads the flood before it can see the reply that
# follows it, so the ring cannot overflow however slowly the machine lets the tool read; a larger
# flood would show only whether this machine keeps up (the tool then says that messages were lost).
source "$(dirname "$0")/lib.sh"
case "${1:-}" in
  notes | clock | sensing) hostility=(--flood 1000 --flood-kind "$1") ;;
  giant) hostility=(--giant-sysex 1048576) ;;
  *) fail "usage: hostile-device.sh notes|clock|sensing|giant" ;;
esac
start_server
start_emulator "${hostility[@]}"
start_tool
wait_for "$WORK/tool.out" ">Finished" 240
sleep 0.5
stop_tool
check_successful_update
check_quiet "during the update"
echo "PASS: hostile device ($1)"
