#!/usr/bin/env bash
# Waits until the machine's cores are mostly idle (busy below MAX_BUSY % over a 3 s sample),
# for at most TIMEOUT seconds, and prints the last sample. Other work on the machine skews
# every timed figure; the benchmark scripts call this before each timed program.
#
#   bench/wait-calm.sh [MAX_BUSY=15] [TIMEOUT=600]
set -euo pipefail
MaxBusy=${1:-15}
Timeout=${2:-600}

Busy() {  # percent of all cores busy over 3 seconds
  local A B
  read -r -a A < <(head -1 /proc/stat)
  sleep 3
  read -r -a B < <(head -1 /proc/stat)
  local Total=0 Idle=0 I
  for I in 1 2 3 4 5 6 7 8; do Total=$((Total + B[I] - A[I])); done
  Idle=$((B[4] - A[4] + B[5] - A[5]))
  echo $((100 * (Total - Idle) / (Total > 0 ? Total : 1)))
}

Start=$SECONDS
while :; do
  Now=$(Busy)
  if ((Now < MaxBusy)) || ((SECONDS - Start >= Timeout)); then
    echo "cores busy: ${Now}% (waited $((SECONDS - Start)) s)"
    exit 0
  fi
done
