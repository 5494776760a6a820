#!/usr/bin/env bash
# The thread hand-overs on the path of each block, from the reply that asks for it to the next
# block handed to the MIDI system, counted in one update of each on a private JACK server (256
# frames): the tool (bench_hand_overs: the tool itself, with the platform's call observer taking
# each step's thread) against direct-exchange (which counts its own). Prints a figure record.
here=$(dirname "$0")
source "$here/lib.sh"

counted=$(mktemp)
trap 'rm -f "$counted"' EXIT
hand_overs 256 > "$counted"
{ read -r tool; read -r direct; } < "$counted"
"$BENCH/bench_figure" "thread hand-overs per block (JACK)" "per block" 'ratio<=1.00' "$tool" --baseline "$direct"
