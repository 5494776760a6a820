#!/usr/bin/env bash
# The device answers an ErrorReply before every fifth acknowledgement: each is logged and the
# update still completes.
source "$(dirname "$0")/lib.sh"
start_server
start_emulator --error-every 5
start_tool
wait_for "$WORK/tool.out" ">Finished" "$UPDATE_SECONDS"
stop_tool
problems=$(grep -cxF ">Transmission Problem" "$WORK/tool.out" || true)
expected=$(( $(flagged_blocks | wc -l) / 5 ))
[ "$problems" -eq "$expected" ] || fail "$problems error replies logged, $expected expected"
diff <(successful_log) <(grep -vxF ">Transmission Problem" "$WORK/tool.out") > "$WORK/log.diff" ||
  fail "the log differs: $(cat "$WORK/log.diff")"
check_image
echo "PASS: error replies"
