#!/usr/bin/env bash
# Installs what is missing, builds Varnell and opens its window.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja
cmake --build build
if [ ! -x build/app/varnell ]; then
  echo "The windows are not built yet; the engine and its tests are: scripts/test.sh" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<'MSG'
No display found. Varnell is a windowed program; to run it without a screen:
  xvfb-run -a build/app/varnell
MSG
  exit 1
fi
exec build/app/varnell "$@"
