#!/usr/bin/env bash
# The whole update over real MIDI, on a private JACK server (48 kHz) with an emulator that
# acknowledges at once: the tool against direct-exchange (the same acknowledgement-paced
# conversation straight on RtMidi), both timed by the emulator from its ReadyReply to the
# FinishRequest. Runs alternate, so that drift on the machine falls on both alike. At 256 and at
# 128 frames per cycle; the tool's time must scale as the baseline's does. Prints figure records.
here=$(dirname "$0")
source "$here/lib.sh"

# Each set's server must be gone before the next one starts, so that they never share the machine:
# a process substitution would not be waited for, so the samples go through a file.
sampled=$(mktemp)
trap 'rm -f "$sampled"' EXIT
samples 256 > "$sampled"
{ read -r -a tool256; read -r -a direct256; } < "$sampled"
samples 128 > "$sampled"
{ read -r -a tool128; read -r -a direct128; } < "$sampled"
at256=$("$BENCH/bench_figure" "whole update over JACK, 256 frames" ms 'ratio<=1.10' "${tool256[@]}" --baseline "${direct256[@]}")
at128=$("$BENCH/bench_figure" "whole update over JACK, 128 frames" ms - "${tool128[@]}" --baseline "${direct128[@]}")
echo "$at256"
echo "$at128"
"$BENCH/bench_figure" "whole update, 128 against 256 frames" x 'ratio~0.10' \
  "$(awk -v a="$(value_of "$at128")" -v b="$(value_of "$at256")" 'BEGIN { print a / b }')" \
  --baseline "$(awk -v a="$(baseline_of "$at128")" -v b="$(baseline_of "$at256")" 'BEGIN { print a / b }')"
