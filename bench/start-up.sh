#!/usr/bin/env bash
# Start-up: from starting the tool to its first log line on standard output, on a private JACK
# server as a user's would be running, against bench_hello_window (a Qt window with a text area
# that writes one line). Median of BENCH_RUNS runs each, alternating. Prints a figure record.
here=$(dirname "$0")
source "$here/lib.sh"
RUNS=${BENCH_RUNS:-5}

# first_line_ms PROGRAM: milliseconds until it wrote its first line.
first_line_ms() {
  local begun=$EPOCHREALTIME line
  coproc PROGRAM { exec "$1" 2> /dev/null; }
  local program=$PROGRAM_PID
  PIDS+=("$program")
  read -r line <&"${PROGRAM[0]}"
  local ended=$EPOCHREALTIME
  finish "$program"
  awk -v a="$begun" -v b="$ended" 'BEGIN { printf "%.1f\n", (b - a) * 1000 }'
}

times() (
  source "$here/../scripts/midi-session.sh"
  start_server 256
  local tool=() hello=() run
  for ((run = 0; run < RUNS; run++)); do
    tool+=("$(first_line_ms "$TOOL")")
    hello+=("$(first_line_ms "$BENCH/bench_hello_window")")
  done
  echo "${tool[*]}"
  echo "${hello[*]}"
)

# The server must be gone when this script ends: a process substitution would not be waited for,
# so the times go through a file.
sampled=$(mktemp)
trap 'rm -f "$sampled"' EXIT
times > "$sampled"
{ read -r -a tool; read -r -a hello; } < "$sampled"
"$BENCH/bench_figure" "start-up to the first log line (JACK)" ms - "${tool[@]}" --baseline "${hello[@]}"
