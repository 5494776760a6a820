#!/usr/bin/env bash
# The tool under a flood of replies over real MIDI: on a private JACK server (256 frames at
# 48 kHz), bench_jack_flood stands for the device and sends 200 ReadyReplies every cycle, and the
# tool's resident memory is read every 5 s for 80 s. The tool answers as fast as its output
# carries the blocks, about 170 replies a second, two log lines each, so its log holds all it
# keeps (10,000 lines) after about 35 s: the figure is the growth from 40 to 80 s, each end the
# median of three readings (the allocator's pools move by a MiB or so either way). Prints the
# figure record; the readings go to standard error.
here=$(dirname "$0")
source "$here/lib.sh"

(
  source "$here/../scripts/midi-session.sh"
  start_server 256
  start "$BENCH/bench_jack_flood"
  wait_line "$WORK/bench_jack_flood.out" "flooding" 10
  start "$TOOL"
  tool=$STARTED
  resident=()
  for ((second = 0; second <= 80; second += 5)); do
    kill -0 "$tool" 2>/dev/null || fail "the tool ended under the flood: $(cat "$WORK/bass-firmware.err")"
    resident+=("$(awk '/^VmRSS:/ { print $2 }' "/proc/$tool/status")")
    echo "flood-jack: $second s: ${resident[-1]} KiB resident" >&2
    if [ "$second" -lt 80 ]; then sleep 5; fi
  done
  median() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
  "$BENCH/bench_figure" "resident growth under a reply flood over JACK, 40 to 80 s" MiB 'value<2' \
    "$(awk -v a="$(median "${resident[@]:8:3}")" -v b="$(median "${resident[@]:14:3}")" 'BEGIN { print (b - a) / 1024 }')"
)
