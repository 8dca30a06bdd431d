#!/usr/bin/env bash
# Installs what is missing, builds everything and runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DVARNELL_BENCH=ON
cmake --build build
ctest --test-dir build --output-on-failure --timeout 600 -j2
