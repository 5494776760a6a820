#!/usr/bin/env bash
# The build refuses a firmware table that breaks the format, with a message naming the fault.
# Configures the project with FIRMWARE_TABLE set to a short file and builds only the table's
# check.
set -euo pipefail
: "${SOURCE_DIR:?source folder of the project}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

head -c 1000 /dev/zero > "$work/short-table.bin"
cmake -S "$SOURCE_DIR" -B "$work/build" -DFIRMWARE_TABLE="$work/short-table.bin" > "$work/configure.out" 2>&1 ||
  { cat "$work/configure.out"; echo "FAIL: configuring failed"; exit 1; }
if cmake --build "$work/build" --target firmware_table > "$work/build.out" 2>&1; then
  echo "FAIL: the build accepted a table of 1000 bytes"
  exit 1
fi
# The right size is the size of the development table the build made with its own tool.
expected=$(stat -c %s "$work/build/firmware/development-table.bin")
grep -qF "firmware table $work/short-table.bin: size is 1000 bytes, expected $expected" "$work/build.out" ||
  { cat "$work/build.out"; echo "FAIL: the build's message does not name the fault"; exit 1; }
echo "PASS: the build refuses a malformed table and names the fault"
