# Shared by the bench scripts: where the build's programs are, and the starting, watching and
# measuring of processes. A script that needs a JACK server sources scripts/midi-session.sh
# (in a subshell of its own for each server), whose clean-up also ends what `start` started.
set -euo pipefail

BUILD=${BUILD:-build}
TOOL=$BUILD/app/bass-firmware
EMULATOR=$BUILD/tools/qlt1/qlt1-emulator
BENCH=$BUILD/bench
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
PIDS=()

# start PROGRAM [ARGS...]: in the background, its output in $WORK/PROGRAM.out and .err; sets STARTED.
start() {
  "$@" > "$WORK/$(basename "$1").out" 2> "$WORK/$(basename "$1").err" &
  STARTED=$!
  PIDS+=("$STARTED")
}

# finish PID: ends it if it still runs, waits for it and forgets it, so that no clean-up later
# signals its number again.
finish() {
  kill -TERM "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
  local keep=() pid
  for pid in "${PIDS[@]}"; do [ "$pid" = "$1" ] || keep+=("$pid"); done
  PIDS=("${keep[@]}")
}

# wait_line FILE TEXT SECONDS [WHAT]: until a line of FILE contains TEXT; WHAT, named when it
# does not come, is what was waited for.
wait_line() {
  local deadline=$((SECONDS + $3))
  until grep -qF -- "$2" "$1" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || fail "no \"$2\" in $(basename "$1") within $3 s${4:+ ($4; its last line: $(tail -n 1 "$1"))}"
    sleep 0.02
  done
}

# cpu_percent PID SECONDS: the CPU time of all its threads over SECONDS of wall time, in percent
# of one core. Threads that end meanwhile are not counted; a waiting program starts and ends none.
cpu_percent() {
  local before after
  before=$(cpu_ns "$1")
  sleep "$2"
  after=$(cpu_ns "$1")
  awk -v a="$before" -v b="$after" -v s="$2" 'BEGIN { printf "%.4f\n", (b - a) / (s * 1e7) }'
}

cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ sum += $1 } END { printf "%d\n", sum }'; }

# timed_update PROGRAM [ARGS...]: one update against a fresh emulator on MIDI_SYSTEM (jack unless
# set), within UPDATE_SECONDS (default 120); echoes the milliseconds. It runs in a command
# substitution, whose end the session's clean-up never sees: it ends what it started itself, also
# when it fails, or a program left running would stay on the session's server (or sequencer) and
# answer in the next run's conversation.
timed_update() {
  emulator="" program=""
  trap 'kill -TERM $emulator $program 2>/dev/null || true' EXIT
  start "$EMULATOR" --system "${MIDI_SYSTEM:-jack}" --timing --exit-after-finish
  emulator=$STARTED
  wait_line "$WORK/qlt1-emulator.out" "open on ${MIDI_SYSTEM:-jack}" 10
  start "$@"
  program=$STARTED
  wait_line "$WORK/qlt1-emulator.out" "qlt1-emulator: finish after" "${UPDATE_SECONDS:-120}" "the update by $(basename "$1")"
  local verified=0
  wait "$emulator" || verified=$?
  finish "$emulator"
  finish "$program"
  [ "$verified" -eq 0 ] || fail "the update by $(basename "$1") did not verify: $(cat "$WORK/qlt1-emulator.out")"
  sed -n 's/^qlt1-emulator: ready to finish \([0-9.]*\) ms$/\1/p' "$WORK/qlt1-emulator.out"
}

# samples [FRAMES]: on a MIDI session of its own (a JACK server of FRAMES per cycle, or the ALSA
# sequencer with MIDI_SYSTEM=alsa), BENCH_RUNS updates by the tool and as many by direct-exchange,
# alternating; the tool's times on one line, the baseline's on the next. With WITH_EVENT_LOOP=1,
# as many by direct-exchange --through-an-event-loop too, on a third line.
samples() (
  source "$(dirname "${BASH_SOURCE[0]}")/../scripts/midi-session.sh"
  start_server "$@"
  local tool=() direct=() looped=() run
  for ((run = 0; run < ${BENCH_RUNS:-5}; run++)); do
    tool+=("$(timed_update "$TOOL")")
    direct+=("$(timed_update "$BENCH/direct-exchange" --system "${MIDI_SYSTEM:-jack}")")
    if [ "${WITH_EVENT_LOOP:-0}" = 1 ]; then
      looped+=("$(timed_update "$BENCH/direct-exchange" --system "${MIDI_SYSTEM:-jack}" --through-an-event-loop)")
    fi
  done
  echo "${tool[*]}"
  echo "${direct[*]}"
  if [ "${WITH_EVENT_LOOP:-0}" = 1 ]; then echo "${looped[*]}"; fi
)

# value_of RECORD, baseline_of RECORD: the fields of a figure record.
value_of() { cut -f3 <<< "$1"; }
baseline_of() { cut -f5 <<< "$1"; }

# hand_overs [FRAMES]: on a MIDI session of its own (as samples), one update by the tool counting
# the thread hand-overs on each block's path (bench_hand_overs) and one by direct-exchange, which
# counts its own; the tool's hand-overs per block on one line, the baseline's on the next.
hand_overs() (
  source "$(dirname "${BASH_SOURCE[0]}")/../scripts/midi-session.sh"
  start_server "$@"
  : "$(timed_update "$BENCH/bench_hand_overs")"
  sed -n 's/^bench_hand_overs: /hand-overs: /p' "$WORK/bench_hand_overs.err" >&2
  head -n 1 "$WORK/bench_hand_overs.out"
  : "$(timed_update "$BENCH/direct-exchange" --system "${MIDI_SYSTEM:-jack}")"
  head -n 1 "$WORK/direct-exchange.out"
)
