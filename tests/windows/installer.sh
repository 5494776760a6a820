#!/usr/bin/env bash
# installer.sh PROGRAM SETUP ZIP VERSION: the Windows distribution of a cross build (PROGRAM its
# bass-firmware.exe, SETUP its installer, ZIP its zip, VERSION the version they show: "development"
# added in a build with the development table), under wine in a fresh prefix. The zip holds
# exactly the built bass-firmware.exe; the installer, run silently, puts it in Program Files with a
# Start-menu shortcut for all users and an Uninstall entry; the installed program starts and logs
# its first line; the silent uninstaller leaves nothing behind.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[ $# -eq 4 ] || wine_fail "usage: installer.sh PROGRAM SETUP ZIP VERSION"
program=$(realpath "$1")
setup=$(realpath "$2")
zip=$(realpath "$3")
version=$4
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\BassFirmware'
first_line='>Switch on QLT-1'

work=$(mktemp -d)
trap 'wine_stop; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
check() {
  echo "check: $*"
}

for file in "$program" "$setup" "$zip"; do
  [ -f "$file" ] || fail "$file is missing"
done

check "the zip holds exactly bass-firmware.exe, identical to the built one"
listing=$(unzip -Z1 "$zip")
[ "$listing" = bass-firmware.exe ] || fail "the zip holds: $(echo "$listing" | tr '\n' ' ')"
unzip -p "$zip" bass-firmware.exe | cmp -s - "$program" || fail "the zip's bass-firmware.exe differs from the built one"

wine_prefix "$work/prefix"
drive_c=$WINEPREFIX/drive_c
install_dir=$drive_c/Program\ Files/Bass\ Firmware
shortcut=$drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Bass\ Firmware.lnk

check "the silent install ends with status 0 within 120 s"
# From a copy: wine sees the setup file's folder as its current one, and the build folder holds
# other programs named alike.
cp "$setup" "$work/setup.exe"
wine_run 120 "$work/setup.exe" /S || fail "the silent install ended with status $?"
wine_wait_idle 60 || fail "programs were still running 60 s after the install"

check "bass-firmware.exe and Uninstall.exe are in C:\\Program Files\\Bass Firmware, the program as built"
cmp -s "$install_dir/bass-firmware.exe" "$program" || fail "the installed bass-firmware.exe is missing or differs"
[ -f "$install_dir/Uninstall.exe" ] || fail "no Uninstall.exe"
[ ! -e "$drive_c/Program Files (x86)/Bass Firmware" ] || fail "installed into the 32-bit Program Files"
installed=$(cd "$install_dir" && ls -A)
[ "$installed" = "$(printf '%s\n' Uninstall.exe bass-firmware.exe)" ] ||
  fail "the folder holds more than the program and its uninstaller: $(echo "$installed" | tr '\n' ' ')"

check "the all-users Start menu has the shortcut Bass Firmware, to the installed program"
[ -f "$shortcut" ] || fail "no shortcut $shortcut"
grep -qaF 'C:\Program Files\Bass Firmware\bass-firmware.exe' "$shortcut" ||
  fail "the shortcut does not lead to C:\Program Files\Bass Firmware\bass-firmware.exe"

check "the program sets no explicit application id, so its window and the shortcut, which leads to its path, are one task-bar button"
# Without one, the task bar groups a program's windows by the program's path. (wine keeps no such
# id to read back: it answers every question for it with E_NOTIMPL.)
! grep -qaF SetCurrentProcessExplicitAppUserModelID "$program" ||
  fail "bass-firmware.exe sets an explicit application id, which the shortcut does not carry"

check "the Uninstall key holds what Settings > Apps shows and uses"
wine_run 30 reg query "$key" /reg:64 > "$work/key.txt" 2>&1 || fail "no key $key"
value() {
  lines "$work/key.txt" | sed -n "s/^ *$1 *REG_[A-Z]* *//p"
}
expect() {
  [ "$(value "$1")" = "$2" ] || fail "$1 is '$(value "$1")', expected '$2'"
}
location='C:\Program Files\Bass Firmware'
expect DisplayName 'Bass Firmware'
expect DisplayVersion "$version"
expect Publisher 'The Bass Firmware developers'
expect DisplayIcon "$location\\bass-firmware.exe"
expect InstallLocation "$location"
expect UninstallString "\"$location\\Uninstall.exe\""
expect QuietUninstallString "\"$location\\Uninstall.exe\" /S"
expect NoModify 0x1
expect NoRepair 0x1
size=$(value EstimatedSize)
[ $((size)) -ge $(($(stat -c %s "$program") / 1024)) ] || fail "EstimatedSize $size KB is less than the program"

check "the installed program writes '$first_line' first within 30 s, and on WM_CLOSE ends with status 0 within 15 s"
(
  cd "$install_dir"
  wine_run 60 "C:\\Program Files\\Bass Firmware\\bass-firmware.exe" > "$work/program.out" 2> "$work/program.err"
  # Whole or not at all: the waiting loop below reads it as soon as it exists.
  echo $? > "$work/program.status.new" && mv "$work/program.status.new" "$work/program.status"
) &
wait_for_line 30 "$work/program.out" "$first_line" ||
  fail "no '$first_line' within 30 s; output: $(lines "$work/program.out")"
[ "$(lines "$work/program.out" | head -1)" = "$first_line" ] ||
  fail "the first line is '$(lines "$work/program.out" | head -1)'"
wine_close bass-firmware.exe || fail "taskkill found no bass-firmware.exe to close"
closed_by=$((SECONDS + 15))
until [ -f "$work/program.status" ]; do
  [ "$SECONDS" -lt "$closed_by" ] || fail "the program was still running 15 s after WM_CLOSE"
  sleep 0.2
done
[ "$(cat "$work/program.status")" = 0 ] ||
  fail "the program ended with status $(cat "$work/program.status") on WM_CLOSE; errors: $(lines "$work/program.err")"

check "the silent uninstall removes the program, its folder, the shortcut and the Uninstall key, Uninstall.exe too while another process holds it for 4 s"
# Uninstall.exe copies itself to %TEMP%, starts the copy and ends; the copy does the work, and
# Windows refuses to delete Uninstall.exe until it has ended, which under load takes a while. A
# file held open stands in for that, for a known time.
x86_64-w64-mingw32-g++-posix -O2 -static -o "$work/hold-file.exe" "$(dirname "${BASH_SOURCE[0]}")/held/HoldFile.cpp" ||
  fail "hold-file.exe could not be built"
wine_run 60 "$work/hold-file.exe" 'C:\Program Files\Bass Firmware\Uninstall.exe' 4 > "$work/held.out" 2>&1 &
wait_for_line 30 "$work/held.out" holding || fail "Uninstall.exe could not be held: $(lines "$work/held.out")"
wine_run 60 "$install_dir/Uninstall.exe" /S || fail "the silent uninstall ended with status $?"
# Every program of the prefix: the copy, and the file's holder.
wine_wait_idle 60 || fail "the uninstaller was still running after 60 s"
[ ! -e "$install_dir" ] || fail "left behind: $(cd "$install_dir" && ls -A | tr '\n' ' ') in $install_dir"
[ ! -e "$shortcut" ] || fail "left behind: the shortcut"
if wine_run 30 reg query "$key" /reg:64 > "$work/key-after.txt" 2>&1; then
  fail "left behind: the key $key"
fi

echo "PASS: the zip, and the installer's silent install, start of the program and silent uninstall"
