#!/usr/bin/env bash
# The whole update of the Windows program under wine, in a guest with the kernel's ALSA sequencer
# (scripts/midi-vm), where wine's MIDI services reach the sequencer: bass-firmware.exe against
# winmm-exchange.exe (the same acknowledgement-paced conversation straight on winmm), both under
# wine with an emulator on the sequencer that acknowledges at once (qlt1-emulator --system alsa
# --timing), timed by the emulator from its ReadyReply to the FinishRequest, runs alternating. The
# emulator starts before each program: wine lists the sequencer's ports when a program first opens
# its MIDI services. The guest's processor is emulated, so only the ratio means anything. A third
# program, winmm-exchange.exe --through-a-window, is the same exchange with the tool's hand-overs
# (each reply and each completion posted to a hidden window): the platform's floor for a program
# built as ours is. Prints figure records.
#   WINDOWS_BUILD (default build-windows): the Windows build, as scripts/build-windows makes it.
here=$(cd "$(dirname "$0")" && pwd)
WINDOWS_BUILD=$(cd "${WINDOWS_BUILD:-build-windows}" && pwd)
export WINDOWS_BUILD
# A first start of wine in the guest takes most of a minute.
export UPDATE_SECONDS=${UPDATE_SECONDS:-400}
if [ ! -e /dev/snd/seq ]; then
  # wine makes its prefix in seconds here, in minutes on the guest's emulated processor; the
  # guest shares it (wine keeps its registry there).
  source "$here/../tests/windows/lib.sh"
  prefix=$(mktemp -d -t bench-wine.XXXXXXXXXX)
  trap 'rm -rf "$prefix"' EXIT
  wine_prefix "$prefix/prefix"
  wine_stop
  WINDOWS_PREFIX=$WINEPREFIX "$here/../scripts/midi-vm" --share "$prefix" --timeout 1500 -- \
    bash "$here/whole-update-wine.sh"
  exit
fi
# wine with a terminal for input would take it for its console.
exec < /dev/null
source "$here/../tests/windows/guest/wine-guest.sh"
source "$here/lib.sh"
export MIDI_SYSTEM=alsa
export WINDOWS_PROGRAM=$WINDOWS_BUILD/app/bass-firmware.exe
TOOL=$here/../tests/windows/guest/wine-tool.sh
baseline=$(guest_copy "$WINDOWS_BUILD/bench/windows/winmm-exchange.exe")

# wine's session made ready before the first program, as tests/windows/guest/session.sh does
# (wine_session): a program that has to start the desktop itself waits for it ten seconds only; in
# the guest that takes minutes, and the program's main window then fails ("Cannot create the main
# window: system error 0").
samples_wine() (
  wine_session 600 || wine_fail "wine's desktop was not ready within 600 s"
  echo "wine's desktop ready after $SECONDS s" >&2
  source "$here/../scripts/midi-session.sh"
  start_server
  # A first run of each, untimed: wine's first start of a program in the guest fills its caches.
  timed_update "$TOOL" > /dev/null
  timed_update "$WINE" "$baseline" > /dev/null
  echo "the untimed first runs done after $SECONDS s" >&2
  local tool=() direct=() windowed=() run
  for ((run = 0; run < ${BENCH_RUNS:-5}; run++)); do
    tool+=("$(timed_update "$TOOL")")
    direct+=("$(timed_update "$WINE" "$baseline")")
    windowed+=("$(timed_update "$WINE" "$baseline" --through-a-window)")
    echo "run $((run + 1)): bass-firmware.exe ${tool[run]} ms, winmm-exchange.exe ${direct[run]} ms," \
      "through a window ${windowed[run]} ms" >&2
  done
  echo "${tool[*]}"
  echo "${direct[*]}"
  echo "${windowed[*]}"
  exec 3>&-
  wineserver -k
)

sampled=$(mktemp)
samples_wine > "$sampled"
{ read -r -a tool; read -r -a direct; read -r -a windowed; } < "$sampled"
rm -f "$sampled"
wine_stop
"$BENCH/bench_figure" "whole update under wine, in a guest" ms 'ratio<=1.10' "${tool[@]}" --baseline "${direct[@]}"
"$BENCH/bench_figure" "the baseline with the tool's hand-overs (through a window), under wine" ms - \
  "${windowed[@]}" --baseline "${direct[@]}"
"$BENCH/bench_figure" "whole update under wine, against the baseline through a window" ms 'ratio<=1.10' \
  "${tool[@]}" --baseline "${windowed[@]}"
