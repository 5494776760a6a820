#!/usr/bin/env bash
# modes.sh DEB: every folder in the package is 755 and every file 644, or 755 for a program,
# owned by root, whatever the umask of whoever built it (the package test builds it under 077).
set -euo pipefail
deb=$1
wrong=$(dpkg-deb -c "$deb" | awk '
  $2 != "root/root" { print; next }
  /^d/ && $1 != "drwxr-xr-x" { print; next }
  /^-/ && $1 != "-rw-r--r--" && $1 != "-rwxr-xr-x" { print; next }
  /^[^-d]/ { print }')
if [ -n "$wrong" ]; then
  echo "FAIL: entries of $(basename "$deb") with the wrong mode or owner:"
  echo "$wrong"
  exit 1
fi
echo "PASS: $(dpkg-deb -c "$deb" | grep -c '^d') folders 755, every file 644 or 755, all root's"
