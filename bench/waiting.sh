#!/usr/bin/env bash
# Waiting for the device: the CPU time the tool takes per second of wall time while discovery
# polls and no device is there, against bench_poller, which only names every port four times a
# second. On the simulated transport (eight ports each way) and on a private JACK server.
# Prints figure records.
here=$(dirname "$0")
source "$here/lib.sh"
SETTLE=2
WINDOW=${BENCH_WAIT_SECONDS:-10}

# cpu_of PROGRAM [ARGS...]: its CPU share once it has settled, in percent of one core.
cpu_of() {
  start "$@"
  local program=$STARTED
  sleep "$SETTLE"
  cpu_percent "$program" "$WINDOW"
  finish "$program"
}

# shares [jack]: the tool's share on one line, the poller's on the next.
shares() (
  source "$here/../scripts/midi-session.sh"
  if [ "${1:-}" = jack ]; then
    start_server 256
    cpu_of "$TOOL"
    cpu_of "$BENCH/bench_poller" jack
  else
    cpu_of "$BENCH/bench_waiting"
    cpu_of "$BENCH/bench_poller" simulated
  fi
)

# Each session must be over before the next step: a process substitution would not be waited for,
# so the shares go through a file.
sampled=$(mktemp)
trap 'rm -f "$sampled"' EXIT
shares > "$sampled"
{ read -r tool; read -r poller; } < "$sampled"
"$BENCH/bench_figure" "waiting for the device, CPU (simulated, 8 ports)" "% of a core" 'value<1' "$tool" --baseline "$poller"
shares jack > "$sampled"
{ read -r tool; read -r poller; } < "$sampled"
"$BENCH/bench_figure" "waiting for the device, CPU (JACK)" "% of a core" 'value<1' "$tool" --baseline "$poller"
