#!/usr/bin/env bash
# A second program named like the device does not get the firmware while the device's own port is
# there. The emulator on the sequencer stands for the device; an impostor, the emulator again,
# opens ports of the same name on a JACK server started after it. The tool, on every MIDI system
# as the program is (this guest's sequencer and server hold only what this case made), updates
# the one on the sequencer, and the impostor receives nothing.
source "$(dirname "$0")/../e2e/lib.sh"

[ "$MIDI_SYSTEM" = alsa ] || fail "this case needs the sequencer and a JACK server beside it: MIDI_SYSTEM=alsa"
start_server
start_emulator --ready-after 2

jackd -S -n "$SERVER" -d dummy -r 48000 -p 256 > "$WORK/jackd.out" 2>&1 &
PIDS+=($!)
for ((tries = 0; tries < 100; tries++)); do jack_lsp > /dev/null 2>&1 && break; sleep 0.1; done
jack_lsp > /dev/null 2>&1 || fail "the JACK server did not start: $(cat "$WORK/jackd.out")"
"$EMULATOR" --system jack --image "$WORK/impostor.bin" > "$WORK/impostor.out" 2>&1 &
PIDS+=($!)
for ((tries = 0; tries < 100; tries++)); do grep -q " open on jack$" "$WORK/impostor.out" && break; sleep 0.1; done
grep -q " open on jack$" "$WORK/impostor.out" || fail "the impostor did not open its ports: $(cat "$WORK/impostor.out")"

unset BASS_FIRMWARE_TEST_MIDI_SYSTEM
start_tool
wait_for "$WORK/tool.out" ">Finished" "$UPDATE_SECONDS"
sleep 0.5
stop_tool
check_successful_update
[ "$(wc -l < "$WORK/impostor.out")" -eq 1 ] || fail "the impostor was answered or sent to: $(cat "$WORK/impostor.out")"
[ ! -e "$WORK/impostor.bin" ] || fail "the impostor received firmware"
echo "PASS: impostor on JACK"
