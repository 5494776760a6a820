#!/usr/bin/env bash
# hardening.sh DEB COMPILE_COMMANDS: every program the package installs is built as a distribution
# builds what it ships. Seen in the programs themselves: position-independent, the stack protector,
# relocations read-only (RELRO) and all bound at start (BIND_NOW). Seen in the compile commands of
# the build that made the package (COMPILE_COMMANDS): glibc's checked functions
# (_FORTIFY_SOURCE=2) with the optimiser they need. A program shows checked calls (__snprintf_chk
# ...) only where the compiler could not prove a call safe, which the tool's own code never needs.
set -euo pipefail
deb=$1
compile_commands=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"

status=0
count=0
for program in "$work"/usr/bin/*; do
  count=$((count + 1))
  dynamic=$(readelf -dW "$program")
  symbols=$(readelf --dyn-syms -W "$program")
  segments=$(readelf -lW "$program")
  missing=()
  grep -qE '\(FLAGS_1\).* PIE' <<< "$dynamic" || missing+=(PIE)
  grep -qE ' __stack_chk_fail(@|$)' <<< "$symbols" || missing+=(-fstack-protector-strong)
  grep -q GNU_RELRO <<< "$segments" || missing+=(RELRO)
  grep -qE '\(FLAGS\).* BIND_NOW|\(FLAGS_1\).* NOW' <<< "$dynamic" || missing+=(BIND_NOW)
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "FAIL: /usr/bin/$(basename "$program") is built without ${missing[*]}"
    status=1
  fi
done
[ "$count" -gt 0 ] || { echo "FAIL: the package installs no program"; exit 1; }

unfortified=$(python3 -c '
import json, re, sys
for entry in json.load(open(sys.argv[1])):
    command = entry.get("command") or " ".join(entry["arguments"])
    words = command.split()
    if "-D_FORTIFY_SOURCE=2" not in words or not any(re.fullmatch(r"-O[1-3s]", word) for word in words):
        print(entry["file"])
' "$compile_commands")
if [ -n "$unfortified" ]; then
  echo "FAIL: compiled without _FORTIFY_SOURCE=2 or the optimiser:"
  echo "$unfortified"
  status=1
fi
[ "$status" -ne 0 ] ||
  echo "PASS: $count programs with PIE, the stack protector, RELRO and BIND_NOW, all compiled with _FORTIFY_SOURCE=2"
exit "$status"
