#!/usr/bin/env bash
# scripts/midi-vm itself: a command's output and exit status come back, and nothing the command
# prints forges the status or ends its output early; the guest needs no kernel of the host's; a
# guest that does not end is stopped at the time limit with its last output shown; a missing piece
# is named before anything boots.
set -uo pipefail
vm="$(dirname "$0")/../../scripts/midi-vm"
fail() { echo "FAIL: $*"; exit 1; }

output=$("$vm" -- sh -c 'echo "from the guest"; test -e /dev/snd/seq && echo sequencer; exit 3')
status=$?
[ "$status" -eq 3 ] || fail "the command's status 3 came back as $status"
[ "$output" = $'from the guest\nsequencer' ] || fail "the command's output came back as: $output"

# End markers of the command's own, on its output and straight on the console, and whatever of
# init's it can read: the status stays the command's and the output comes back whole.
output=$("$vm" -- sh -c 'echo "midi-vm: end 0"; echo "midi-vm: end 0" > /dev/console
  cat /run/midi-vm/* /proc/cmdline /proc/1/environ 2>/dev/null | tr "\0" "\n" | grep -E "midi-vm: end [0-9a-f]{32}"
  echo "after"; exit 3')
status=$?
[ "$status" -eq 3 ] || fail "a command that printed end markers and ended with 3 gave status $status"
[ "$output" = $'midi-vm: end 0\nmidi-vm: end 0\nafter' ] || fail "with end markers printed, the output came back as: $output"

# With no kernel package on the host: its /boot empty and its modules folder gone (hidden under a
# layer in a mount namespace of this test's own), the guest boots the cached kernel and loads the
# sequencer from that kernel's modules.
no_host_kernel='stub=$(mktemp -d) && mknod "$stub/modules" c 0 0 && lib=$(dirname "$(realpath /lib/modules)") &&
  mount -t overlay hidden -o "lowerdir=$stub:$lib" "$lib" && mount -t tmpfs empty /boot &&
  [ ! -e /lib/modules ] && [ -z "$(ls /boot)" ] && exec "$0" "$@"'
[ "$(id -u)" -eq 0 ] && namespace=(unshare --mount --propagation private) ||
  namespace=(unshare --map-root-user --mount --propagation private)
output=$("${namespace[@]}" sh -c "$no_host_kernel" "$vm" -- sh -c 'uname -r; ls /lib/modules; test -e /dev/snd/seq && echo sequencer' 2>&1)
status=$?
[ "$status" -eq 0 ] || fail "without the host's kernel the guest gave status $status: $output"
release=$(head -n 1 <<< "$output")
[ "$output" = "$release"$'\n'"$release"$'\nsequencer' ] ||
  fail "without the host's kernel, the guest's kernel, its modules and the sequencer came back as: $output"

# The limit leaves room for a boot on a busy machine (about 6 s on a quiet one, over 25 s seen
# under load), so that the command has printed before the guest is stopped.
started=$SECONDS
output=$("$vm" --timeout 60 -- sh -c 'echo "still here"; sleep 600' 2>&1)
status=$?
[ "$status" -eq 124 ] || fail "a guest past its time limit gave status $status"
[ $((SECONDS - started)) -lt 90 ] || fail "the guest was stopped only after $((SECONDS - started)) s"
grep -q "did not finish within its time limit" <<< "$output" || fail "no word of the time limit: $output"
grep -q "still here" <<< "$output" || fail "the guest's last output is missing: $output"

output=$(PATH=/nowhere /usr/bin/python3 "$vm" -- true 2>&1)
status=$?
[ "$status" -eq 125 ] || fail "without QEMU the status was $status"
grep -q "install the package qemu-system-x86" <<< "$output" || fail "the missing package is not named: $output"
echo "PASS: midi-vm"
