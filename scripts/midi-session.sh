# A MIDI session with the QLT-1 emulator and the tool on it, for the demo and the end-to-end
# tests: a private JACK server, or with MIDI_SYSTEM=alsa the kernel's ALSA sequencer (which is
# the machine's own: run there through scripts/midi-vm when this kernel has none). Everything
# started here is stopped when the calling script ends, also on failure; a server that this
# script did not start is never touched.
#
# Needs TOOL (bass-firmware) and EMULATOR (qlt1-emulator); `fail` may be redefined by the caller.

: "${TOOL:?path of bass-firmware}" "${EMULATOR:?path of qlt1-emulator}"
MIDI_SYSTEM=${MIDI_SYSTEM:-jack}
case "$MIDI_SYSTEM" in
  jack | alsa) ;;
  *) echo "MIDI_SYSTEM must be jack or alsa, not $MIDI_SYSTEM" >&2; exit 2 ;;
esac
export BASS_FIRMWARE_TEST_MIDI_SYSTEM=$MIDI_SYSTEM  # the tool (a development build) sees only this system's ports

WORK=$(mktemp -d -t bass-firmware-session.XXXXXXXXXX)
# A name of this run's own (the folder's random part, unique while the run lasts), so that no other
# run, checkout or user shares this server or stops it. Clients never start a server themselves.
SERVER="bass-firmware-$(basename "$0" .sh)-${WORK##*.}"
export JACK_DEFAULT_SERVER="$SERVER" JACK_NO_AUDIO_RESERVATION=1 JACK_NO_START_SERVER=1
# Qt warns on standard error when a session has no runtime folder (as under CI or sudo).
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$WORK/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
fi
PIDS=()
SERVER_PID=""

# Each process gets a few seconds to end on its own first. The last started goes first: the
# server, started before its clients, ends once they are gone (a synchronous server still waiting
# for a client that is ending can miss those seconds).
stop_everything() {
  local pid tries index
  for ((index = ${#PIDS[@]} - 1; index >= 0; index--)); do
    pid=${PIDS[index]}
    kill -TERM "$pid" 2>/dev/null || true
    for ((tries = 0; tries < 50; tries++)); do running "$pid" || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  done
  [ -z "$SERVER_PID" ] || release_server_entry
  rm -rf "$WORK" "/dev/shm/jack-$(id -u)/$SERVER" 2>/dev/null || true
}
trap stop_everything EXIT

# JACK keeps its servers in a machine-wide table of eight entries, and frees the entry of a server
# that did not end on its own (killed, or crashed) only when a server of the same name starts
# again. No later run has this name, so a server of it is started and stopped cleanly here.
release_server_entry() {
  local status=0 pid
  wait "$SERVER_PID" 2>/dev/null || status=$?
  [ "$status" -ge 128 ] || return 0
  jackd -n "$SERVER" -d dummy > "$WORK/jackd-release.out" 2>&1 &
  pid=$!
  jack_wait -w -t 10 > /dev/null 2>&1 || true
  kill -TERM "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# True while PID runs (an ended child not yet waited for does not).
running() { [ -r "/proc/$1/status" ] && ! grep -qs '^State:[[:space:]]*Z' "/proc/$1/status"; }

fail() {
  echo "$*" >&2
  exit 1
}

# start_server [FRAMES]: frames per cycle, 256 unless given. Synchronous (-S): in JACK's default
# mode a client late for its cycle (on a busy machine) loses the MIDI it had to read or write;
# here the cycle waits for it instead, so a run shows the tool's behaviour, not the machine's load.
# The ALSA sequencer is the kernel's: it is only checked for.
start_server() {
  if [ "$MIDI_SYSTEM" = alsa ]; then
    [ -e /dev/snd/seq ] || fail "no ALSA sequencer here (/dev/snd/seq): run this in scripts/midi-vm"
    return 0
  fi
  jackd -S -n "$SERVER" -d dummy -r 48000 -p "${1:-256}" > "$WORK/jackd.out" 2>&1 &
  SERVER_PID=$!
  PIDS+=("$SERVER_PID")
  local tries=0
  until jack_lsp > /dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt 100 ] || fail "the JACK server did not start: $(cat "$WORK/jackd.out")"
    sleep 0.1
  done
}

start_emulator() {
  "$EMULATOR" --system "$MIDI_SYSTEM" --image "$WORK/image.bin" "$@" > "$WORK/emulator.out" 2>&1 &
  EMULATOR_PID=$!
  PIDS+=($EMULATOR_PID)
}

start_tool() {
  "$TOOL" > "$WORK/tool.out" 2> "$WORK/tool.err" &
  TOOL_PID=$!
  PIDS+=($TOOL_PID)
}

# wait_for FILE TEXT SECONDS: until a line of FILE equals TEXT.
wait_for() {
  local deadline=$((SECONDS + $3))
  until grep -qxF -- "$2" "$1" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || fail "no line \"$2\" in $(basename "$1") within $3 s"
    kill -0 "$TOOL_PID" 2>/dev/null || fail "the tool ended early"
    sleep 0.1
  done
}

# Ends the tool as the platform asks a program to close, and checks that it left cleanly.
stop_tool() {
  kill -TERM "$TOOL_PID"
  local status=0
  wait "$TOOL_PID" || status=$?
  [ "$status" -eq 0 ] || fail "the tool ended with status $status after SIGTERM"
}
