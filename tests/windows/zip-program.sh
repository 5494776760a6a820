#!/usr/bin/env bash
# zip-program.sh ZIP WINMM_DEF: the zip's bass-firmware.exe, unpacked into a folder of the user's,
# under wine in a fresh prefix.
# - It is built with the stack protector: its functions call the guard's failure handler.
# - A winmm.dll planted in that folder (tests/windows/planted/winmm.cpp, exporting every function
#   the program takes from winmm: WINMM_DEF, the build's list) is never loaded: the program loads
#   the system's winmm at its first discovery tick and runs on. wine prefers its own winmm to any
#   file unless told otherwise, so every run here prefers a file (winmm=n,b), as Windows does, and
#   where a program looks decides. A control program that imports winmm the ordinary way shows
#   that the planted DLL is loaded there.
# - With its standard output a pipe whose reader has gone, the program writes its first line into
#   it, reaches its first discovery tick all the same, runs on and ends with status 0 on WM_CLOSE.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[ $# -eq 2 ] || wine_fail "usage: zip-program.sh ZIP WINMM_DEF"
zip=$(realpath "$1")
definitions=$(realpath "$2")
planted=$(cd "$(dirname "$0")/planted" && pwd)
work=$(mktemp -d)
trap 'wine_stop; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
check() {
  echo "check: $*"
}

folder=$work/Downloads
mark=$folder/winmm-was-loaded
mkdir "$folder"
unzip -q "$zip" -d "$folder"

check "bass-firmware.exe is built with the stack protector"
symbols=$(x86_64-w64-mingw32-nm "$folder/bass-firmware.exe")
grep -qE ' T __stack_chk_fail$' <<< "$symbols" || fail "bass-firmware.exe has no stack protector"
{
  echo "LIBRARY winmm.dll"
  echo "EXPORTS"
  sed '1,/^EXPORTS$/d; s/$/=PlantedEntry/' "$definitions"
} > "$work/planted.def"
x86_64-w64-mingw32-g++-posix -O2 -shared -static -o "$folder/winmm.dll" "$planted/winmm.cpp" "$work/planted.def" ||
  fail "the planted winmm.dll could not be built"
x86_64-w64-mingw32-g++-posix -O2 -static -o "$work/control.exe" "$planted/control.cpp" -lwinmm ||
  fail "the control program could not be built"
wine_prefix "$work/prefix"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" WINEDEBUG=-all,+loaddll

check "a program that imports winmm the ordinary way loads the winmm.dll planted beside it"
cp "$work/control.exe" "$folder/"
(cd "$folder" && wine_run 60 ./control.exe > /dev/null 2>&1) || true
[ -f "$mark" ] || fail "the control program did not load the planted winmm.dll: the test cannot tell anything"
rm "$mark" "$folder/control.exe"

# start_program OUT ERR: starts the folder's bass-firmware.exe in the background; its status goes to
# OUT.status when it ends.
start_program() {
  (
    cd "$folder"
    status=0
    wine_run 60 ./bass-firmware.exe > "$1" 2> "$2" || status=$?
    # Whole or not at all: the waiting below reads it as soon as it exists.
    echo "$status" > "$1.status.new" && mv "$1.status.new" "$1.status"
  ) &
}

# loaded_winmm ERR SECONDS: waits until the loader trace in ERR shows the program loading a winmm,
# and prints that line. The trace also holds wine's own processes, which inherit the program's
# standard error: the program's lines are those of the thread that loaded bass-firmware.exe, its
# window thread, which makes the first MIDI call.
loaded_winmm() {
  local deadline=$((SECONDS + $2)) thread='' line=''
  until [ -n "$line" ]; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
    [ -f "$1" ] || continue
    [ -n "$thread" ] || thread=$(sed -n 's/^\([0-9a-f]*\):trace:loaddll:.*Loaded L".*\\bass-firmware\.exe".*/\1/p' "$1" | head -1)
    [ -z "$thread" ] || line=$(grep -aim1 "^$thread:trace:loaddll:.*Loaded L\".*\\\\winmm\.dll\"" "$1" || true)
  done
  echo "$line"
}

# close_program OUT: WM_CLOSE, then status 0 within 15 s.
close_program() {
  wine_close bass-firmware.exe || fail "taskkill found no bass-firmware.exe to close"
  local closed_by=$((SECONDS + 15))
  until [ -f "$1.status" ]; do
    [ "$SECONDS" -lt "$closed_by" ] || fail "the program was still running 15 s after WM_CLOSE"
    sleep 0.2
  done
  [ "$(cat "$1.status")" = 0 ] || fail "the program ended with status $(cat "$1.status") on WM_CLOSE"
}

check "bass-firmware.exe beside the planted winmm.dll loads the system's winmm, never the planted one"
start_program "$work/planted.out" "$work/planted.err"
loaded=$(loaded_winmm "$work/planted.err" 30) || fail "no winmm loaded within 30 s; output: $(lines "$work/planted.out")"
echo "$loaded" | grep -qi 'system32\\\\*winmm\.dll".*builtin' || fail "the program loaded another winmm: $loaded"
[ ! -f "$mark" ] || fail "the program loaded the planted winmm.dll"
[ "$(lines "$work/planted.out" | head -1)" = ">Switch on QLT-1" ] ||
  fail "the program's first line is '$(lines "$work/planted.out" | head -1)'"
close_program "$work/planted.out"
[ ! -f "$mark" ] || fail "the program loaded the planted winmm.dll"

check "with its standard output a pipe nobody reads, the program runs on to its first discovery tick and closes with 0"
mkfifo "$work/unread"
start_program "$work/unread" "$work/unread.err"
# Opened, so that the program can open its end, and closed at once: every write finds no reader.
exec 3< "$work/unread"
exec 3<&-
loaded_winmm "$work/unread.err" 30 > /dev/null || fail "the program did not reach its first discovery tick"
sleep 1
[ ! -f "$work/unread.status" ] || fail "the program ended with status $(cat "$work/unread.status")"
close_program "$work/unread"

echo "PASS: the zip's program loads only the system's winmm and runs on with its output unread"
