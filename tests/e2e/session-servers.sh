#!/usr/bin/env bash
# The JACK servers of scripts/midi-session.sh: two runs of one script at the same time get a
# server each, and the one that ends first leaves the other's running; a server that has to be
# killed (stopped, it cannot act on SIGTERM) gives its entry in JACK's machine-wide table of eight
# servers back, so that killed runs never fill it.
set -euo pipefail
export TOOL=/bin/false EMULATOR=/bin/false JACK_NO_START_SERVER=1
session_script="$(cd "$(dirname "$0")/../../scripts" && pwd)/midi-session.sh"
work=$(mktemp -d)
sessions=()

end_sessions() {
  touch "$work/a.end" "$work/b.end" "$work/c.end"
  wait "${sessions[@]}" 2>/dev/null || true
  rm -rf "$work"
}
trap end_sessions EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# session NAME [stop]: a session in the background that starts its server, leaves the server's
# name and process in $work/NAME, stops the server with SIGSTOP when asked, and ends when
# $work/NAME.end appears.
session() {
  (
    source "$session_script"
    start_server
    [ "${2:-}" != stop ] || kill -STOP "$SERVER_PID"
    echo "$SERVER $SERVER_PID" > "$work/$1.part"
    mv "$work/$1.part" "$work/$1"
    until [ -e "$work/$1.end" ]; do sleep 0.1; done
  ) &
  sessions+=($!)
}

# started NAME: waits for the session's server; echoes its name and process.
started() {
  local tries
  for ((tries = 0; tries < 300; tries++)); do
    [ ! -e "$work/$1" ] || { cat "$work/$1"; return 0; }
    sleep 0.1
  done
  fail "session $1 did not start its server"
}

# jack_lsp -s faults on names this long; the variable does not.
answers() { JACK_DEFAULT_SERVER=$1 jack_lsp > /dev/null 2>&1; }

# JACK's table of servers names each as "jack-<uid>:<server>:", and clears an entry it frees.
registered() { grep -aq ":$1:" /dev/shm/jack-shm-registry 2> /dev/null; }

session a
session b
a=$(started a)
b=$(started b)
read -r a_server _ <<< "$a"
read -r b_server _ <<< "$b"
[ "$a_server" != "$b_server" ] || fail "two sessions of one script share the server $a_server"
answers "$a_server" && answers "$b_server" || fail "a session's server does not answer"
registered "$a_server" || fail "JACK's table does not show the server $a_server"

touch "$work/a.end"
wait "${sessions[0]}" || fail "session a failed"
! answers "$a_server" || fail "the server of the ended session still runs"
answers "$b_server" || fail "the other session's server went with the first session"
touch "$work/b.end"
wait "${sessions[1]}" || fail "session b failed"

session c stop
c=$(started c)
read -r c_server _ <<< "$c"
touch "$work/c.end"
wait "${sessions[2]}" || fail "session c failed"
! registered "$c_server" || fail "the killed server $c_server keeps its entry in JACK's table"
echo "PASS: a JACK server of each session's own, its entry given back when it was killed"
