#!/usr/bin/env bash
# With no MIDI system at all (no JACK server, no ALSA sequencer) the tool keeps showing only its
# first log line and prints nothing else while it waits.
source "$(dirname "$0")/lib.sh"
start_tool
wait_for "$WORK/tool.out" ">Switch on QLT-1" 60
sleep 3
kill -0 "$TOOL_PID" 2>/dev/null || fail "the tool ended while waiting"
[ "$(cat "$WORK/tool.out")" = ">Switch on QLT-1" ] || fail "the tool logged more than its first line"
check_quiet "while waiting"
read -r -a times < <(cut -d' ' -f14,15 "/proc/$TOOL_PID/stat")
echo "CPU time after 3 s of waiting: $(( (times[0] + times[1]) * 1000 / $(getconf CLK_TCK) )) ms"
stop_tool
echo "PASS: no MIDI system"
