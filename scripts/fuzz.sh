#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time (FUZZ_SECONDS each,
# 30 by default). Seeds come from fuzz/corpus/; what the run finds stays in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
Seconds="${FUZZ_SECONDS:-30}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVARNELL_FUZZ=ON -DVARNELL_GUI=OFF -DVARNELL_TESTS=OFF
cmake --build build-fuzz --target fuzz_mountinfo fuzz_identity fuzz_sysfs_values
for Target in mountinfo identity sysfs_values; do
  Corpus="build-fuzz/corpus/$Target"
  mkdir -p "$Corpus"
  cp -n fuzz/corpus/"$Target"/* "$Corpus"/ 2>/dev/null || true
  echo "Fuzzing $Target for $Seconds s"
  (cd build-fuzz && ./fuzz/fuzz_"$Target" -max_total_time="$Seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 "corpus/$Target")
done
