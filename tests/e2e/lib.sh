# Shared by the end-to-end tests: the private MIDI session of scripts/midi-session.sh, and the
# checks of a successful update against the firmware table the build embeds (the emulator has it
# built in too, and says what it holds).
set -euo pipefail

: "${EMULATOR:?the QLT-1 emulator of the build}"
# How long a whole update may take, start included: longer where the tool starts slowly (the
# Windows program under wine in a guest).
: "${UPDATE_SECONDS:=120}"

export QT_QPA_PLATFORM=offscreen
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/midi-session.sh"

fail() {
  echo "FAIL: $*" >&2
  echo "--- tool's output:" >&2; cat "$WORK/tool.out" >&2 2>/dev/null || true
  echo "--- tool's errors:" >&2; cat "$WORK/tool.err" >&2 2>/dev/null || true
  echo "--- emulator:" >&2; cat "$WORK/emulator.out" >&2 2>/dev/null || true
  [ "$MIDI_SYSTEM" = alsa ] || { echo "--- JACK server:" >&2; cat "$WORK/jackd.out" >&2 2>/dev/null || true; }
  exit 1
}

# The one line a build with the development firmware table writes to standard error when it starts
# (app/DevelopmentBuild.cpp); a build with the device's own table writes none.
DEVELOPMENT_TABLE_LINE="bass-firmware: this build carries the development firmware table, a filler for tests that leaves a real QLT-1 without working firmware."

# check_quiet WHAT: the tool wrote nothing to standard error but the development build's line. With
# DEVELOPMENT_TABLE=1 that line must be there, with DEVELOPMENT_TABLE=0 it must not; a caller that
# does not know which table the tool has leaves it unset. WHAT says what the tool was doing.
check_quiet() {
  local errors=() announced=0
  mapfile -t errors < "$WORK/tool.err"
  [ "${#errors[@]}" -eq 0 ] || [ "${errors[0]}" != "$DEVELOPMENT_TABLE_LINE" ] || announced=1
  [ "${#errors[@]}" -eq "$announced" ] || fail "the tool wrote to standard error $1"
  [ -z "${DEVELOPMENT_TABLE:-}" ] || [ "$announced" = "$DEVELOPMENT_TABLE" ] ||
    fail "the tool's standard error $1 does not say what its table is (DEVELOPMENT_TABLE=$DEVELOPMENT_TABLE)"
}

# The blocks an update of the build's table sends, in order (block 0 first, then the flagged ones).
flagged_blocks() {
  "$EMULATOR" --list-blocks
}

# The log of a successful update: tests/support/successful-update.txt, its ">Block N" made one
# line per block sent.
successful_log() {
  local line
  while IFS= read -r line; do
    case $line in
      "#"*) ;;
      ">Block N") flagged_blocks | sed "s/^/${line%N}/" ;;
      *) printf '%s\n' "$line" ;;
    esac
  done < "$(dirname "${BASH_SOURCE[0]}")/../support/successful-update.txt"
}

# The emulator received every due block, each equal to its row of the build's table, and wrote
# what it received.
check_image() {
  [ -s "$WORK/image.bin" ] || fail "the emulator wrote no image"
  grep -q "image verified" "$WORK/emulator.out" || fail "the received image differs from the build's table"
}

# The tool logged exactly a successful update, and the device holds the build's table.
check_successful_update() {
  diff <(successful_log) "$WORK/tool.out" > "$WORK/log.diff" || fail "the log differs: $(cat "$WORK/log.diff")"
  check_image
}
