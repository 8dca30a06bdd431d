#!/usr/bin/env bash
# The Python example of docs/ reads the documented result and prints its pass's key figures.
#   check-read-result.sh SOURCE_DIR
set -euo pipefail
Source=$1
Scratch=$(mktemp -d)
trap 'rm -rf "$Scratch"' EXIT
# The JSON block of the page is the example result.
sed -n '/^```json$/,/^```$/p' "$Source/docs/results.md" | sed '1d;$d' >"$Scratch/run.json"
Output=$(python3 "$Source/docs/examples/read_result.py" "$Scratch/run.json")
echo "$Output"
Row=$(sed -n 2p <<<"$Output")
for Expected in "Flash Disk" " 1 " "385 MiB/s" "4.0 GiB" "183 MiB/s" "12.5%" "completed"; do
  if [[ $Row != *"$Expected"* ]]; then
    echo "FAIL: \"$Expected\" missing from the pass's row: $Row"
    exit 1
  fi
done
