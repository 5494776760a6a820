#!/usr/bin/env bash
# callback-convention.sh ROOT: the driver callback (midi/MidiCallback.cpp) against the callback type
# the platform calls it through, for 32-bit Windows, where that type carries __stdcall and a
# function of the C convention would be called wrongly (64-bit Windows has one convention, so the
# 64-bit build cannot tell). The file's own check fails the compile on a mismatch; it is compiled
# for both port layers: on the system's MIDI services and on the emulation.
set -euo pipefail
root=$1
compiler=x86_64-w64-mingw32-g++-posix
for variant in -DMIDI_SERVICES_WINMM -UMIDI_SERVICES_WINMM; do
  echo "check: the driver callback has the platform's callback type on 32-bit Windows ($variant)"
  "$compiler" -m32 -std=c++20 -fsyntax-only "$variant" -I"$root" "$root/midi/MidiCallback.cpp" ||
    { echo "FAIL: MidiDriverCallback does not have the platform's callback type ($variant)" >&2; exit 1; }
done
echo "PASS: the driver callback has the platform's callback type"
