#!/usr/bin/env bash
# Builds every benchmark and varnell-cli (Release flags with debug info), runs the benchmark
# programs, then the fill comparison against fio. Prints everything and keeps a copy of each
# program's output in the build folder's results/.
#
#   bench/run-all.sh [ROUNDS] [TOTAL_MIB]      (defaults: 3 rounds of 2048 MiB per run)
#
# Run as root for the loop-mounted ext4 target; on a machine that is otherwise idle.
# VARNELL_BENCH_BUILD names the build folder (default build-bench); VARNELL_GUI=OFF leaves out
# the windows' benchmark when Qt is not installed.
set -euo pipefail

Root=$(cd "$(dirname "$0")/.." && pwd)
Build=${VARNELL_BENCH_BUILD:-$Root/build-bench}
Rounds=${1:-3}
TotalMiB=${2:-2048}
# Seconds to wait for idle cores before each timed program (bench/wait-calm.sh).
CalmWait=${VARNELL_CALM_WAIT:-120}

cmake -S "$Root" -B "$Build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVARNELL_BENCH=ON -DVARNELL_TESTS=OFF -DVARNELL_GUI="${VARNELL_GUI:-ON}" >/dev/null
cmake --build "$Build" -j"$(nproc)"

Results="$Build/results"
mkdir -p "$Results"
echo "machine: $(nproc) cores, $(uname -r); load before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"

for Program in "$Build"/bench/bench_*; do
  [[ -f $Program && -x $Program ]] || continue  # not the AUTOMOC folders
  Name=$(basename "$Program")
  echo
  echo "== $Name ($("$Root/bench/wait-calm.sh" 15 "$CalmWait"))"
  QT_QPA_PLATFORM=offscreen "$Program" --benchmark_repetitions=3 2>&1 |
    tee "$Results/$Name.txt"
done

echo
echo "== fill throughput against fio"
VARNELL_CALM_WAIT=$CalmWait "$Root/bench/fill-vs-fio.sh" "$Build/app/varnell-cli" "$Rounds" "$TotalMiB" |
  tee "$Results/fill-vs-fio.txt"
