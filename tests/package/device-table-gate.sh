#!/usr/bin/env bash
# `make package` and `make windows` stop before building anything when the build would embed the
# development firmware table, with a message that says which variable to set and why. Given a
# table, the gate opens; the build folder keeps that table until another is given, and
# FIRMWARE_TABLE= goes back to the development table. A copy of the development table given as
# the device's passes the gate but not the build's check of the table. Works in a build folder
# of its own, where it builds only the table's tools.
set -euo pipefail
: "${SOURCE_DIR:?source folder of the project}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  echo "--- make's output:"
  cat "$work/make.out" 2> /dev/null || true
  exit 1
}
build=$work/build
run_make() {
  make -s -C "$SOURCE_DIR" BUILD_DIR="$build" WINDOWS_DIR="$work/windows" JOBS=1 "$@" > "$work/make.out" 2>&1
}

for goal in package windows; do
  ! run_make "$goal" || fail "make $goal went on with the development table"
  grep -qF "make $goal FIRMWARE_TABLE=<file>" "$work/make.out" || fail "make $goal does not say to set FIRMWARE_TABLE"
  grep -qF "leaves a real QLT-1 without working firmware" "$work/make.out" || fail "make $goal does not say why"
done
[ -z "$(find "$build" -name '*.o' -print -quit)" ] || fail "make package or make windows compiled something first"
[ ! -e "$work/windows" ] || fail "make windows began the Windows build"

# Configuring does not read the table, so any file will do here; the build checks it later.
echo "a table" > "$work/table.bin"
run_make device-table FIRMWARE_TABLE="$work/table.bin" || fail "the gate stays shut with FIRMWARE_TABLE given"
run_make device-table || fail "the build folder forgot the table it was given"
! run_make device-table FIRMWARE_TABLE= || fail "FIRMWARE_TABLE= did not go back to the development table"

cmake --build "$build" --target make_development_table > "$work/make.out" 2>&1 || fail "the table's tools did not build"
"$build/firmware/tools/make_development_table" "$work/filler.bin"
run_make device-table FIRMWARE_TABLE="$work/filler.bin" || fail "the gate stays shut with FIRMWARE_TABLE given"
! cmake --build "$build" --target firmware_table > "$work/make.out" 2>&1 || fail "the build embeds a copy of the development table"
# CMake wraps its error messages.
refusal=$(tr -s ' \n' '  ' < "$work/make.out")
grep -qF "firmware table $work/filler.bin is the development table" <<< "$refusal" ||
  fail "the build's refusal of the development table does not say why"
echo "PASS: make package and make windows need the device's table, the build folder keeps it, and a copy of the development table is refused"
