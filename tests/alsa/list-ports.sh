#!/usr/bin/env bash
# --list-ports over the ALSA sequencer. Without the sequencer (its modules unloaded) the listing
# says that it is not running rather than show nothing; with it, the end-to-end checks of
# tests/e2e/list-ports.sh: the emulator's ports are the pair, "Midi Through" is unmarked. The
# sequencer's modules are back as they were afterwards, for the cases that follow.
source "$(dirname "$0")/../e2e/lib.sh"

restore_sequencer() {
  stop_everything
  modprobe -a snd-seq snd-seq-dummy snd-virmidi
}
trap restore_sequencer EXIT

[ "$MIDI_SYSTEM" = alsa ] || fail "this case is the sequencer's: MIDI_SYSTEM=alsa"
# What holds the sequencer goes first: its kernel clients, then the event coder they leave behind.
modprobe -r snd-virmidi snd-seq-dummy && modprobe -r snd-seq-midi-event snd-seq ||
  fail "the sequencer's modules could not be unloaded"
[ ! -e /dev/snd/seq ] || fail "the sequencer is still there after its modules went"
status=0
"$TOOL" --list-ports > "$WORK/list.out" 2> "$WORK/list.err" || status=$?
cat "$WORK/list.out"
[ "$status" -eq 0 ] || fail "--list-ports ended with status $status without a sequencer"
[ ! -s "$WORK/list.err" ] || fail "--list-ports wrote to standard error: $(cat "$WORK/list.err")"
grep -qF "The ALSA sequencer is not running" "$WORK/list.out" ||
  fail "without a sequencer the listing does not say that it is not running"
grep -qxF "The tool sees no MIDI port at all: the QLT-1 is not found." "$WORK/list.out" ||
  fail "without a sequencer the listing does not say that the device is not found"

modprobe -a snd-seq snd-seq-dummy snd-virmidi || fail "the sequencer's modules could not be loaded"
bash "$(dirname "$0")/../e2e/list-ports.sh"
