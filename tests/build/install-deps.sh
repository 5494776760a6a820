#!/usr/bin/env bash
# What the make commands install (scripts/install-deps, for the purpose the Makefile names),
# counting every package apt would bring in with the listed ones: make build, run and demo nothing
# of wine, QEMU, mingw-w64 or NSIS, and no command a kernel.
set -euo pipefail
source_dir=${SOURCE_DIR:?the source folder}
fail() {
  echo "FAIL: $*"
  exit 1
}

# purpose_of TARGET: what `make TARGET` asks scripts/install-deps for.
purpose_of() {
  make -s -n -C "$source_dir" "$1" | sed -n 's|^scripts/install-deps ||p'
}

# brought_in PURPOSE: every package that installing PURPOSE's would install, as install-deps
# installs them (no recommendations).
brought_in() {
  local listed
  listed=$("$source_dir/scripts/install-deps" --list "$1")
  [ -n "$listed" ] || fail "install-deps lists nothing for $1"
  # shellcheck disable=SC2086
  apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
    --no-enhances $listed | grep -v '^ ' | tr -d '<>' | sort -u
}

for target in build run demo; do
  purpose=$(purpose_of "$target")
  [ "$purpose" = build ] || fail "make $target installs for \"$purpose\", not for the build"
done
[ "$(purpose_of test)" = test ] || fail "make test installs for \"$(purpose_of test)\", not for the tests"

unwanted=$(brought_in build | grep -E '^(wine|qemu|linux-image|nsis)|mingw' || true)
[ -z "$unwanted" ] || fail "make build, run and demo would install $(echo $unwanted)"
kernels=$(brought_in test | grep '^linux-image' || true)
[ -z "$kernels" ] || fail "make test would install the kernel $(echo $kernels)"
echo "PASS: make build, run and demo install no wine, QEMU, cross compiler or NSIS; no command a kernel"
