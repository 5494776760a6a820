# Shared by the end-to-end tests: the private MIDI session of scripts/midi-session.sh, and the
# checks of a successful update against the build's firmware table.
set -euo pipefail

: "${TABLE:?the firmware table of the build}"

export QT_QPA_PLATFORM=offscreen
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/midi-session.sh"

fail() {
  echo "FAIL: $*" >&2
  echo "--- tool's output:" >&2; cat "$WORK/tool.out" >&2 2>/dev/null || true
  echo "--- tool's errors:" >&2; cat "$WORK/tool.err" >&2 2>/dev/null || true
  echo "--- emulator:" >&2; cat "$WORK/emulator.out" >&2 2>/dev/null || true
  echo "--- JACK server:" >&2; cat "$WORK/jackd.out" >&2 2>/dev/null || true
  exit 1
}

# The blocks the build's table flags (block 0 is always sent first).
flagged_blocks() {
  local block=0
  for flag in $(od -An -v -t u4 -N 684 "$TABLE"); do
    if [ "$block" -eq 0 ] || [ "$flag" -eq 1 ]; then echo "$block"; fi
    block=$((block + 1))
  done
}

successful_log() {
  printf '%s\n' ">Switch on QLT-1" ">USB Midi Connected" ">Communications Established" ">Programming"
  flagged_blocks | sed 's/^/>Block /'
  printf '%s\n' ">New Software Successfully Loaded" ">Finished"
}

# Every flagged row of the emulator's image equals the same row of the build's table.
check_image() {
  [ -s "$WORK/image.bin" ] || fail "the emulator wrote no image"
  local block offset
  for block in $(flagged_blocks); do
    offset=$((684 + block * 3086 * 4))
    cmp -s <(dd if="$TABLE" bs=1 skip="$offset" count=12344 status=none) \
           <(dd if="$WORK/image.bin" bs=1 skip="$offset" count=12344 status=none) ||
      fail "block $block of the received image differs from the build's table"
  done
}
