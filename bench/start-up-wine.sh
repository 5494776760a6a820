#!/usr/bin/env bash
# The Windows program's start-up under wine: from starting bass-firmware.exe to its first log line
# on standard output, against hello-window.exe (a Win32 window with a log control that writes one
# line), on this machine in a headless prefix of its own whose wineserver keeps running between
# the runs, so that neither side pays for starting it. Median of BENCH_RUNS runs each,
# alternating. Prints a figure record.
#   WINDOWS_BUILD (default build-windows): the Windows build, as scripts/build-windows makes it.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/windows/lib.sh"
BENCH=${BUILD:-build}/bench
WINDOWS_BUILD=${WINDOWS_BUILD:-build-windows}
RUNS=${BENCH_RUNS:-5}

work=$(mktemp -d -t bench-wine.XXXXXXXXXX)
trap 'wine_stop; rm -rf "$work"' EXIT
wine_prefix "$work/prefix"
export DISPLAY=''
wineserver -p

# first_line_ms PROGRAM: milliseconds until it wrote its first line; then it is ended.
first_line_ms() {
  local begun=$EPOCHREALTIME line
  coproc PROGRAM { exec "$WINE" "$1" 2> /dev/null; }
  local program=$PROGRAM_PID
  read -r line <&"${PROGRAM[0]}"
  local ended=$EPOCHREALTIME
  kill -TERM "$program" 2> /dev/null || true
  wait "$program" 2> /dev/null || true
  awk -v a="$begun" -v b="$ended" 'BEGIN { printf "%.1f\n", (b - a) * 1000 }'
}

# Once each first, untimed: wine's first start of a program fills its caches.
tool_program=$WINDOWS_BUILD/app/bass-firmware.exe
hello_program=$WINDOWS_BUILD/bench/windows/hello-window.exe
first_line_ms "$tool_program" > /dev/null
first_line_ms "$hello_program" > /dev/null
tool=() hello=()
for ((run = 0; run < RUNS; run++)); do
  tool+=("$(first_line_ms "$tool_program")")
  hello+=("$(first_line_ms "$hello_program")")
done
"$BENCH/bench_figure" "start-up to the first log line (wine)" ms - "${tool[@]}" --baseline "${hello[@]}"
