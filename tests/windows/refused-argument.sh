#!/usr/bin/env bash
# refused-argument.sh PROGRAM: bass-firmware.exe given an argument it refuses, under wine in a
# fresh prefix.
# - Started as the desktop starts it from a shortcut, "Open with" or a dropped file, without a
#   console and without standard handles (detached/DetachedStart.cpp), it shows why in its error
#   box and ends with status 2 once the box is closed; --help there ends with 0 and no box.
# - With its standard error redirected, the text goes there, no box opens, and it ends with 2.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[ $# -eq 1 ] || wine_fail "usage: refused-argument.sh PROGRAM"
program=$(realpath "$1")
work=$(mktemp -d)
trap 'wine_stop; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static -municode -o "$work/detached-start.exe" \
  "$(dirname "${BASH_SOURCE[0]}")/detached/DetachedStart.cpp" || fail "detached-start.exe could not be built"
wine_prefix "$work/prefix"
cp "$program" "$work/bass-firmware.exe"
windows_program=$(winepath -w "$work/bass-firmware.exe" 2> /dev/null)

# detached ARGUMENT: what detached-start.exe saw of the program, without Windows' line ends.
detached() {
  wine_run 90 "$work/detached-start.exe" "$windows_program" "$1" 2> /dev/null | tr -d '\r'
}

echo "check: started without a console, an argument it refuses is explained in its error box"
seen=$(detached 'C:\Users\me\firmware.syx')
expected="box: bass-firmware
bass-firmware: unknown argument 'C:\Users\me\firmware.syx'
Try 'bass-firmware --help' for more information.
status 2"
[ "$seen" = "$expected" ] || fail "the program without a console showed: $seen"

echo "check: started without a console, --help opens no box"
seen=$(detached --help)
[ "$seen" = "no box
status 0" ] || fail "--help without a console showed: $seen"

echo "check: with its standard error redirected, the text goes there and no box opens"
status=0
wine_run 90 "$work/bass-firmware.exe" firmware.syx > "$work/out" 2> "$work/err" || status=$?
[ "$status" = 2 ] || fail "the program ended with status $status, not 2"
lines "$work/err" | grep -qxF "bass-firmware: unknown argument 'firmware.syx'" ||
  fail "the refusal is not on standard error: $(lines "$work/err")"
echo "PASS: a refused argument is explained with a console and without one"
