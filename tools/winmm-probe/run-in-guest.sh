#!/usr/bin/env bash
# Runs WinmmBehaviour.exe under wine in a guest with the kernel's ALSA sequencer, its loopback port
# "Midi Through" included, and exits with the probe's status (1: a relied-on fact does not hold).
#
#   run-in-guest.sh [--exe FILE]   a built probe instead of building one with mingw-w64
#
# wine's prefix is made on this host (fast natively) and copied into the guest's memory; the probe
# runs from there, since programs started from the host's share fault. While it runs, a helper in
# the guest answers its hot-plug requests: it loads snd-virmidi (new ports) and later unloads
# snd-seq-dummy (the loopback port goes). A second process then shows what a new start lists.
set -euo pipefail

HERE="$(cd "$(dirname "$0")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"

if [ "${1:-}" = "--inside" ]; then
  work="$2"
  run=$(mktemp -d)
  handshake="$run/handshake"
  mkdir -p "$handshake" "$run/home"
  tar -xf "$work/prefix.tar" -C "$run"
  cp "$work/WinmmBehaviour.exe" "$run/"
  export HOME="$run/home" WINEPREFIX="$run/prefix" WINEDEBUG=-all
  # Ports that appear later must not be there at the start.
  modprobe -r snd-virmidi
  (
    while [ ! -e "$handshake/plug-request" ]; do sleep 0.2; done
    modprobe snd-virmidi
    sleep 0.5
    touch "$handshake/plugged"
    while [ ! -e "$handshake/unplug-request" ]; do sleep 0.2; done
    modprobe -r snd-seq-dummy || echo "helper: snd-seq-dummy could not be unloaded"
    touch "$handshake/unplugged"
  ) &
  helper=$!
  # Written to a file: on a console that is no terminal, wine wraps its output in escape sequences.
  # wine 8 may fault while the process ends, after the probe has printed its verdict: the verdict
  # line decides, and a fault is reported as a finding.
  run_probe() {
    local name="$1" status=0
    shift
    wine "$run/WinmmBehaviour.exe" "$@" >"$run/$name.out" 2>"$run/$name.err" || status=$?
    tr -d '\r' <"$run/$name.out"
    if ! grep -q "^0 check(s) failed" "$run/$name.out"; then
      echo "probe: the $name process found a failed check or gave no verdict"
      return 1
    fi
    [ "$status" -eq 0 ] || echo "finding: the $name process ended with status $status after its verdict"
  }
  status=0
  echo "probe: first process"
  # wine's drive Z: is the root of this system.
  run_probe first "Z:${handshake//\//\\}" || status=1
  kill "$helper" 2>/dev/null || true
  modprobe snd-seq-dummy
  echo "probe: a second process, after the ports changed"
  run_probe second --second || status=1
  wineserver -k 2>/dev/null || true
  echo "probe: status $status"
  exit "$status"
fi

exe=""
if [ "${1:-}" = "--exe" ]; then
  exe="$(realpath "$2")"
fi

work="$(mktemp -d -t winmm-probe.XXXXXX)"
trap 'rm -rf "$work"' EXIT

if [ -z "$exe" ]; then
  exe="$work/WinmmBehaviour.exe"
  x86_64-w64-mingw32-g++-posix -std=c++20 -O1 -Wall -Wextra -static -I "$ROOT" -o "$exe" "$HERE/WinmmBehaviour.cpp" -lwinmm
fi
[ "$exe" = "$work/WinmmBehaviour.exe" ] || cp "$exe" "$work/WinmmBehaviour.exe"

source "$ROOT/scripts/wine-prefix.sh"
wine_prefix "$work/prefix"
tar -cf "$work/prefix.tar" -C "$work" prefix

"$ROOT/scripts/midi-vm" --share "$work" --timeout 600 -- "$HERE/run-in-guest.sh" --inside "$work"
