#!/usr/bin/env bash
# The whole update over the kernel's ALSA sequencer, in a guest that has one (scripts/midi-vm):
# the tool against direct-exchange (the same acknowledgement-paced conversation straight on
# RtMidi), both on the same sequencer with an emulator that acknowledges at once, timed by the
# emulator from its ReadyReply to the FinishRequest, runs alternating, and direct-exchange
# --through-an-event-loop beside them: the same exchange with the tool's hand-overs (a Qt event
# loop woken through an eventfd, each completion through another), the floor for a program built as
# ours is. The guest's processor is emulated, so only the ratio means anything. Then the thread
# hand-overs per block of each, as bench/hand-overs.sh counts them on JACK. Prints figure records.
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -e /dev/snd/seq ]; then
  exec "$here/../scripts/midi-vm" --timeout 900 -- bash "$here/whole-update-alsa.sh"
fi
source "$here/lib.sh"
export MIDI_SYSTEM=alsa
# The guest's times spread far more than the host's (one run in three or four takes half as long
# again): three times the runs.
export BENCH_RUNS=$((${BENCH_RUNS:-5} * 3))

sampled=$(mktemp)
trap 'rm -f "$sampled"' EXIT
WITH_EVENT_LOOP=1 samples > "$sampled"
{ read -r -a tool; read -r -a direct; read -r -a looped; } < "$sampled"
echo "the tool: ${tool[*]} ms; direct-exchange: ${direct[*]} ms; through an event loop: ${looped[*]} ms" >&2
"$BENCH/bench_figure" "whole update over the ALSA sequencer, in a guest" ms 'ratio<=1.10' "${tool[@]}" --baseline "${direct[@]}"
"$BENCH/bench_figure" "the baseline with the tool's hand-overs (through an event loop), ALSA" ms - \
  "${looped[@]}" --baseline "${direct[@]}"
"$BENCH/bench_figure" "whole update over the ALSA sequencer, against the baseline through an event loop" ms \
  'ratio<=1.10' "${tool[@]}" --baseline "${looped[@]}"
hand_overs > "$sampled"
{ read -r tool; read -r direct; } < "$sampled"
"$BENCH/bench_figure" "thread hand-overs per block (ALSA sequencer)" "per block" 'ratio<=1.00' "$tool" --baseline "$direct"
