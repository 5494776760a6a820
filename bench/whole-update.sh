#!/usr/bin/env bash
# The whole update over real MIDI, on a private JACK server (48 kHz) with an emulator that
# acknowledges at once: the tool against direct-exchange (the same acknowledgement-paced
# conversation straight on RtMidi), both timed by the emulator from its ReadyReply to the
# FinishRequest. Runs alternate, so that drift on the machine falls on both alike. At 256 and at
# 128 frames per cycle; the tool's time must scale as the baseline's does. Prints figure records.
here=$(dirname "$0")
source "$here/lib.sh"
RUNS=${BENCH_RUNS:-5}

# timed_update PROGRAM: one update against a fresh emulator; echoes the milliseconds. It runs in
# a command substitution, whose end the session's clean-up never sees: it ends what it started
# itself, also when it fails, or a program left running would join the next server of this name
# and answer in the next run's conversation.
timed_update() {
  emulator="" program=""
  trap 'kill -TERM $emulator $program 2>/dev/null || true' EXIT
  start "$EMULATOR" --timing --exit-after-finish
  emulator=$STARTED
  wait_line "$WORK/qlt1-emulator.out" "open on jack" 10
  start "$1"
  program=$STARTED
  wait_line "$WORK/qlt1-emulator.out" "qlt1-emulator: finish after" 120
  local verified=0
  wait "$emulator" || verified=$?
  finish "$emulator"
  finish "$program"
  [ "$verified" -eq 0 ] || fail "the update by $(basename "$1") did not verify: $(cat "$WORK/qlt1-emulator.out")"
  sed -n 's/^qlt1-emulator: ready to finish \([0-9.]*\) ms$/\1/p' "$WORK/qlt1-emulator.out"
}

# samples FRAMES: the tool's times on one line, the baseline's on the next.
samples() (
  source "$here/../scripts/midi-session.sh"
  start_server "$1"
  local tool=() direct=() run
  for ((run = 0; run < RUNS; run++)); do
    tool+=("$(timed_update "$TOOL")")
    direct+=("$(timed_update "$BENCH/direct-exchange")")
  done
  echo "${tool[*]}"
  echo "${direct[*]}"
)

# Each set's server must be gone before the next one of the same name starts: a process
# substitution would not be waited for, so the samples go through a file.
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
