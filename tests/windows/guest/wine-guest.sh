# shellcheck shell=bash
# In the guest (source it): the wine prefix that guest.sh made on the host and shares with the
# guest, and Windows programs copied into the guest's memory first: started from the host's
# share, wine's loader faults on them. The copies are in a folder of this process's own, removed
# when it ends.
source "$(dirname "${BASH_SOURCE[0]}")/../lib.sh"

: "${WINDOWS_PREFIX:?the wine prefix guest.sh made}"
export WINEPREFIX=$WINDOWS_PREFIX
GUEST_PROGRAMS=$(mktemp -d)
trap 'rm -rf "$GUEST_PROGRAMS"' EXIT

# guest_copy FILE: the path of FILE's copy in the guest's memory.
guest_copy() {
  local copy
  copy="$GUEST_PROGRAMS/$(basename "$1")"
  [ -f "$copy" ] || cp "$1" "$copy"
  echo "$copy"
}
