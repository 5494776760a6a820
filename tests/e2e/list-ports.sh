#!/usr/bin/env bash
# bass-firmware --list-ports over real MIDI ports: the emulator's two ports are listed and marked
# as the pair, any other port is listed unmarked, the tool ends with status 0 and writes nothing
# to standard error. Over JACK also before the server runs, when the listing says that it does
# not; a second emulator named otherwise is the other port there, "Midi Through" on the sequencer.
# LISTED_SYSTEM is the system word the listing gives the ports (MIDI_SYSTEM unless set: the
# Windows program under wine in the guest lists through winmm).
source "$(dirname "$0")/lib.sh"
listed_system=${LISTED_SYSTEM:-$MIDI_SYSTEM}

# list_ports: the tool's listing in $WORK/list.out.
list_ports() {
  local status=0
  "$TOOL" --list-ports > "$WORK/list.out" 2> "$WORK/list.err" || status=$?
  [ "$status" -eq 0 ] || fail "--list-ports ended with status $status: $(cat "$WORK/list.out" "$WORK/list.err")"
  [ ! -s "$WORK/list.err" ] || fail "--list-ports wrote to standard error: $(cat "$WORK/list.err")"
  echo "--- the listing:"
  cat "$WORK/list.out"
}

# ports MARK: the listing's port lines with that mark.
ports() {
  grep -E "^(input|output) [0-9]+ [^ ]+ $1 " "$WORK/list.out" || true
}

if [ "$MIDI_SYSTEM" = jack ]; then
  list_ports
  grep -qxF "No JACK server is running: no JACK port is listed." "$WORK/list.out" ||
    fail "without a server the listing does not say that none runs"
  ! grep -qE "^(input|output) " "$WORK/list.out" || fail "without a server the listing shows ports"
  grep -qxF "The tool sees no MIDI port at all: the QLT-1 is not found." "$WORK/list.out" ||
    fail "without a server the listing does not say that the device is not found"
fi

start_server
start_emulator
for ((tries = 0; tries < 600; tries++)); do grep -q " open on $MIDI_SYSTEM$" "$WORK/emulator.out" && break; sleep 0.1; done
grep -q " open on $MIDI_SYSTEM$" "$WORK/emulator.out" || fail "the emulator did not open its ports"
other_name="Another synth"
if [ "$MIDI_SYSTEM" = jack ]; then
  "$EMULATOR" --system jack --port-name "$other_name" > "$WORK/other.out" 2>&1 &
  PIDS+=($!)
  for ((tries = 0; tries < 100; tries++)); do grep -q " open on jack$" "$WORK/other.out" && break; sleep 0.1; done
  grep -q " open on jack$" "$WORK/other.out" || fail "the second emulator did not open its ports"
else
  other_name="Midi Through"
fi

list_ports
head -1 "$WORK/list.out" | grep -qE "^bass-firmware [^ ]+: the MIDI ports it sees, as it numbers them\.$" ||
  fail "the listing's first line is not its heading"
mapfile -t pair < <(ports pair)
[ "${#pair[@]}" -eq 2 ] || fail "the listing marks ${#pair[@]} ports as the pair, not two"
read -r in_direction in_number in_system _ in_name <<< "${pair[0]}"
read -r out_direction out_number out_system _ out_name <<< "${pair[1]}"
[ "$in_direction $out_direction" = "input output" ] || fail "the pair is not an input and an output"
[ "$in_system $out_system" = "$listed_system $listed_system" ] || fail "the pair is not on $listed_system"
# The emulator's client "QLT-1" sends to the tool; its client "QLT-1 in" takes what the tool sends.
[[ "$in_name" == QLT-1* && "$in_name" != "QLT-1 in"* && "$in_name" == *"QZ Korvalith port 2"* ]] ||
  fail "the pair's input is not the emulator's output port: $in_name"
[[ "$out_name" == "QLT-1 in"* && "$out_name" == *"QZ Korvalith port 2"* ]] ||
  fail "the pair's output is not the emulator's input port: $out_name"
[ -z "$(ports match)" ] || fail "ports other than the pair are marked as matches: $(ports match)"
grep -qxF "The tool would open input $in_number and output $out_number." "$WORK/list.out" ||
  fail "the listing does not say which pair the tool would open"
others=$(ports -)
grep -q "^input [0-9]* $listed_system - .*$other_name" <<< "$others" || fail "no unmarked input of \"$other_name\""
grep -q "^output [0-9]* $listed_system - .*$other_name" <<< "$others" || fail "no unmarked output of \"$other_name\""
echo "PASS: list ports"
