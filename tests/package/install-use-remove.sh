#!/usr/bin/env bash
# install-use-remove.sh DEB, in a guest with a writable root and the ALSA sequencer: the package
# installs with dpkg (its dependencies already there), the tool runs from PATH and completes a
# verified update against the installed emulator, its manual pages and menu entry are where the
# desktop looks, and removing the package leaves none of its files behind.
set -euo pipefail
deb=$1
fail() { echo "FAIL: $*"; exit 1; }
dpkg_out=$(mktemp)

# The manual pages' index is rebuilt on every install, which takes minutes in the emulated guest;
# man finds the pages without it.
echo "man-db man-db/auto-update boolean false" | debconf-set-selections
started=$SECONDS
dpkg -i "$deb" > "$dpkg_out" 2>&1 || fail "dpkg -i failed: $(cat "$dpkg_out")"
mapfile -t files < <(dpkg -L bass-firmware | while read -r path; do [ -d "$path" ] || echo "$path"; done)
[ "${#files[@]}" -gt 0 ] || fail "the package installed no files"
echo "installed in $((SECONDS - started)) s"

[ "$(command -v bass-firmware)" = /usr/bin/bass-firmware ] || fail "bass-firmware is not on PATH"
[ "$(command -v qlt1-emulator)" = /usr/bin/qlt1-emulator ] || fail "qlt1-emulator is not on PATH"
# A development package (version <release>~development) holds a program that names its table.
version=$(dpkg-query -W -f='${Version}' bass-firmware)
expected_version="bass-firmware ${version%~development}"
development=0
if [ "$version" != "${version%~development}" ]; then
  development=1
  expected_version+=$'\nThis build carries the development firmware table, a filler for tests that leaves a real QLT-1 without working firmware.'
fi
[ "$(bass-firmware --version)" = "$expected_version" ] || fail "--version does not give the package's version and table"
man -w bass-firmware > /dev/null && man -w qlt1-emulator > /dev/null || fail "a manual page is not found by man"
[ -f /usr/share/applications/org.bassfirmware.BassFirmware.desktop ] || fail "no menu entry"

DEVELOPMENT_TABLE=$development MIDI_SYSTEM=alsa TOOL=$(command -v bass-firmware) EMULATOR=$(command -v qlt1-emulator) \
  bash "$(dirname "$0")/../e2e/normal-update.sh" || fail "the installed tool did not complete a verified update"

dpkg -r bass-firmware > "$dpkg_out" 2>&1 || fail "dpkg -r failed: $(cat "$dpkg_out")"
left=()
for path in "${files[@]}"; do [ ! -e "$path" ] || left+=("$path"); done
[ "${#left[@]}" -eq 0 ] || fail "dpkg -r left ${left[*]}"
echo "PASS: installed, used from PATH (${#files[@]} files), removed without a trace"
