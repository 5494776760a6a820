#!/usr/bin/env bash
# The tool's standard output and error go into pipes whose readers stop after the first line, as
# in `bass-firmware | head -3`: every later line is dropped, the update still completes with the
# image verified, and the tool keeps running until it is asked to close. (A development build's
# line on standard error is the first there, so its later lines would meet a closed pipe too.)
# SIGPIPE is ignored by the tool itself, not left to whichever library happens to block it in
# some thread.
source "$(dirname "$0")/lib.sh"
start_server
start_emulator --ready-after 2 --exit-after-finish

mkfifo "$WORK/out.pipe" "$WORK/err.pipe"
head -n 1 < "$WORK/out.pipe" > "$WORK/tool.out" &
head -n 1 < "$WORK/err.pipe" > "$WORK/tool.err" &
"$TOOL" > "$WORK/out.pipe" 2> "$WORK/err.pipe" &
TOOL_PID=$!
PIDS+=("$TOOL_PID")

wait_for "$WORK/tool.out" ">Switch on QLT-1" 60
ignored=$(sed -n 's/^SigIgn:[[:space:]]*//p' "/proc/$TOOL_PID/status")
(((0x$ignored >> (13 - 1)) & 1)) || fail "the tool does not ignore SIGPIPE (SigIgn $ignored)"

deadline=$((SECONDS + UPDATE_SECONDS))
while running "$EMULATOR_PID"; do
  [ "$SECONDS" -lt "$deadline" ] || fail "the update did not finish within $UPDATE_SECONDS s"
  running "$TOOL_PID" || fail "the tool ended while its output was closed"
  sleep 0.2
done
verified=0
wait "$EMULATOR_PID" || verified=$?
[ "$verified" -eq 0 ] || fail "the emulator did not receive the firmware intact"
check_image
check_quiet "with its output closed"
sleep 1
running "$TOOL_PID" || fail "the tool ended after the update, with its output closed"
stop_tool
echo "PASS: closed output"
