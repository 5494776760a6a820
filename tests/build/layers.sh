#!/usr/bin/env bash
# The layers point one way: the tree as it is passes the check, and a copy of it with a
# wrong-way include, direct or through a header of another layer, fails it naming the chain.
set -euo pipefail
: "${SOURCE_DIR:?source folder of the project}"
check="$SOURCE_DIR/scripts/check-layers"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$check" "$SOURCE_DIR" || { echo "FAIL: the tree has wrong-way includes"; exit 1; }

# expect_refused FILE INCLUDE EXPECTED: FILE gains INCLUDE in a fresh copy, and the check must fail
# with a line containing EXPECTED.
expect_refused() {
  local file=$1 include=$2 expected=$3 copy="$work/copy"
  rm -rf "$copy"
  mkdir -p "$copy"
  (cd "$SOURCE_DIR" && cp -r --parents app firmware midi framework tools "$copy")
  printf '#include "%s"\n' "$include" >> "$copy/$file"
  if "$check" "$copy" > "$work/out" 2>&1; then
    echo "FAIL: $file including $include passed the check"
    exit 1
  fi
  grep -qF -- "$expected" "$work/out" || { cat "$work/out"; echo "FAIL: the check did not say \"$expected\""; exit 1; }
}

expect_refused midi/MidiIn.h app/Programmer.h "midi/MidiIn.h reaches app/Programmer.h"
expect_refused app/ProgrammerParts.h app/Programmer.h \
  "app/ProgrammingSession.cpp reaches app/Programmer.h: app/ProgrammingSession.cpp -> app/ProgrammingSession.h -> app/ProgrammerParts.h -> app/Programmer.h"
expect_refused midi/platform/Transport.h midi/platform/simulated/SimulatedTransport.h \
  "midi/platform/Transport.h reaches midi/platform/simulated/SimulatedTransport.h"
expect_refused firmware/FirmwareImage.h midi/MidiOut.h \
  "tools/qlt1/Qlt1Model.h reaches midi/MidiOut.h: tools/qlt1/Qlt1Model.h -> firmware/FirmwareImage.h -> midi/MidiOut.h"
# MIDI's own bytes are reached from every layer, so they may reach nothing themselves.
expect_refused midi/platform/SysexBytes.h midi/platform/MmSystem.h \
  "midi/platform/SysexBytes.h must stand on nothing, yet reaches midi/platform/MmSystem.h"
echo "PASS: the layers point one way, and the check sees a wrong-way include"
