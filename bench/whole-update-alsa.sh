#!/usr/bin/env bash
# The whole update over the kernel's ALSA sequencer, in a guest that has one (scripts/midi-vm):
# the tool against direct-exchange (the same acknowledgement-paced conversation straight on
# RtMidi), both on the same sequencer with an emulator that acknowledges at once, timed by the
# emulator from its ReadyReply to the FinishRequest, runs alternating. The guest's processor is
# emulated, so only the ratio means anything. Then the thread hand-overs per block of each, as
# bench/hand-overs.sh counts them on JACK. Prints figure records.
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -e /dev/snd/seq ]; then
  exec "$here/../scripts/midi-vm" --timeout 900 -- bash "$here/whole-update-alsa.sh"
fi
source "$here/lib.sh"
export MIDI_SYSTEM=alsa

sampled=$(mktemp)
trap 'rm -f "$sampled"' EXIT
samples > "$sampled"
{ read -r -a tool; read -r -a direct; } < "$sampled"
"$BENCH/bench_figure" "whole update over the ALSA sequencer, in a guest" ms 'ratio<=1.10' "${tool[@]}" --baseline "${direct[@]}"
hand_overs > "$sampled"
{ read -r tool; read -r direct; } < "$sampled"
"$BENCH/bench_figure" "thread hand-overs per block (ALSA sequencer)" "per block" 'ratio<=1.00' "$tool" --baseline "$direct"
