#!/usr/bin/env bash
# Builds the Debian package from the build folder and has lintian, Debian's own package checker,
# look at it: no error may remain (a missing copyright file or changelog, a broken control file).
#   check-deb-lintian.sh BUILD_FOLDER
Build=$1
if ! command -v lintian >/dev/null; then
  echo "SKIP: lintian is not installed (scripts/install-deps.sh installs it)"
  exit 0
fi
Scratch=$(mktemp -d)
trap 'rm -rf "$Scratch"' EXIT
if ! cpack -G DEB -B "$Scratch" --config "$Build/CPackConfig.cmake" >"$Scratch/log" 2>&1; then
  cat "$Scratch/log"
  echo "FAIL: cpack"
  exit 1
fi
Package=$(find "$Scratch" -maxdepth 1 -name 'varnell_*.deb' | head -n 1)
if [ -z "$Package" ]; then
  cat "$Scratch/log"
  echo "FAIL: cpack made no package"
  exit 1
fi
# Root is how CI runs; lintian only warns about it.
lintian --allow-root --tag-display-limit 0 --fail-on error "$Package"
Status=$?
[ "$Status" -eq 0 ] && echo "lintian finds no error in $(basename "$Package")"
exit "$Status"
