#!/usr/bin/env bash
# tests-listed.sh PROGRAM TEST...: the GoogleTest program holds exactly the tests named, so that
# none of its tests is left out of the cases the guest runs.
set -euo pipefail
program=$1
shift
listed=$("$program" --gtest_list_tests | awk '/^[^ ]/ { suite = $1 } /^  / { print suite $1 }' | sort)
named=$(printf '%s\n' "$@" | sort)
if [ "$listed" != "$named" ]; then
  echo "FAIL: the tests of $(basename "$program") and the cases in tests/alsa/CMakeLists.txt differ:"
  diff <(echo "$named") <(echo "$listed") | sed -n 's/^< /  named, not in the program: /p; s/^> /  in the program, not named: /p'
  exit 1
fi
echo "PASS: all $(wc -l <<< "$listed") tests are cases"
