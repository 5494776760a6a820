#!/usr/bin/env bash
# manual-pages.sh PAGE...: each manual page renders without a warning from man or groff.
set -uo pipefail
status=0
for page in "$@"; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 > /dev/null)
  if [ -n "$warnings" ]; then
    echo "FAIL: $(basename "$page") renders with warnings:"
    echo "$warnings"
    status=1
  elif ! man -l "$page" 2>/dev/null | grep -q "^NAME"; then
    echo "FAIL: $(basename "$page") renders without a NAME section"
    status=1
  fi
done
[ "$status" -ne 0 ] || echo "PASS: $# manual pages render cleanly"
exit "$status"
