#!/usr/bin/env bash
# Fill throughput of varnell-cli against fio on the same targets, the two tools alternating.
#
#   bench/fill-vs-fio.sh VARNELL_CLI [ROUNDS] [TOTAL_MIB]
#
# Targets: a folder on the machine's own filesystem (/var/tmp), and, when run as root, a
# loop-mounted ext4 image that the script creates, attaches with --direct-io=on, mounts and
# removes again (it detaches only the loop device it attached). Each target is filled with
# TOTAL_MIB (default 2048) in sequential 8 MiB writes, one at a time, unbuffered and buffered.
#
# Throughput is the bytes written over the time of the writes:
#   varnell: its detailed log holds one speed per 8 MiB write (whole MiB/s, the write's own
#            timing); the time of a write is 8 / speed, and the figure is 8 * writes / sum.
#   fio:     its own reported bandwidth (write.bw_bytes), which leaves out its start-up.
# Right before every run's first write a file of TOTAL_MIB is written and deleted so that the
# guest's memory is warm (memory left unused for a moment is handed back to the host, and its
# first touch is slow): for varnell just before it starts (its first write follows within
# milliseconds), for fio inside its job (exec_prerun), after its start-up. After every run the
# dirty pages are synced so that the next run starts clean.
#
# VARNELL_FIO_ONLY=fill or =read runs only that part.
#
# Before each round it waits (at most VARNELL_CALM_WAIT s, default 120) for idle cores.
#
# Output: one line per run, then per target and mode the median and min-max of each tool and
# the ratio varnell / fio of the medians and of each round.
#
# Then the read-back (--verify): varnell-cli --verify --keep fills TOTAL_MIB and reads it back,
# and fio reads the same file (Randomfile0) sequentially with the same block size (8 MiB, one at
# a time) and the same cache mode: unbuffered (direct=1), or buffered after the file's cached
# pages were dropped (direct=0 with fio's invalidate=1, the posix_fadvise(DONTNEED) that varnell
# does after its flush at close). varnell's figure is its report's MiB read over its read time
# (the timed reads alone, as fio's read.bw_bytes counts its I/O). fio reads right after varnell,
# then reads again, so that the two of fio show how much a second read of the same file differs.
set -euo pipefail

Cli=${1:?usage: $0 VARNELL_CLI [ROUNDS] [TOTAL_MIB]}
Rounds=${2:-3}
TotalMiB=${3:-2048}
Cli=$(realpath "$Cli")
[[ -x $Cli ]] || { echo "not a program: $Cli" >&2; exit 2; }

if ! command -v fio >/dev/null; then
  echo "fio is missing; installing Debian's package" >&2
  apt-get install -y fio >/dev/null
fi

Work=$(mktemp -d /var/tmp/varnell-fio.XXXXXX)
Logs=$(mktemp -d /dev/shm/varnell-fio-logs.XXXXXX 2>/dev/null || mktemp -d)
LoopDevice=""
LoopMount=""

Cleanup() {
  set +e
  if [[ -n $LoopMount ]] && mountpoint -q "$LoopMount"; then
    umount "$LoopMount"
  fi
  if [[ -n $LoopDevice ]]; then
    losetup -d "$LoopDevice"  # only the device this script attached
  fi
  rm -rf "$Work" "$Logs"
}
trap Cleanup EXIT
trap 'exit 130' INT TERM

Targets=("folder:$Work/folder")
mkdir -p "$Work/folder"
if [[ $(id -u) -eq 0 ]]; then
  ImageMiB=$((TotalMiB + 1024))
  truncate -s "${ImageMiB}M" "$Work/ext4.img"
  mkfs.ext4 -q -F "$Work/ext4.img"
  LoopDevice=$(losetup --direct-io=on --find --show "$Work/ext4.img")
  LoopMount="$Work/loop"
  mkdir -p "$LoopMount"
  mount "$LoopDevice" "$LoopMount"
  Targets+=("loop-ext4:$LoopMount")
else
  echo "not root: the loop-mounted ext4 target is skipped" >&2
fi

FreeMiB() { echo $(($(stat -f -c '%a * %S' "$1") / 1048576)); }

# Writes and deletes a file of the run's size so that the run finds warm memory.
WarmCommand() { echo "dd if=/dev/zero of=$1/warm bs=8M count=$((TotalMiB / 8)) status=none; rm -f $1/warm"; }
Warm() { sh -c "$(WarmCommand "$1")"; }

RunVarnell() {  # folder, mode -> MiB/s
  local Folder=$1 Mode=$2 Log="$Logs/detailed.txt" Leave Cache=()
  [[ $Mode == buffered ]] && Cache=(--cache)
  # The target is FreeMiB - 1 - leave, rounded down to whole 8 MiB writes.
  Leave=$(($(FreeMiB "$Folder") - 1 - TotalMiB))
  # The folder target lies on the machine's own filesystem, which is filled only when allowed.
  "$Cli" -q "${Cache[@]}" --allow-system-drive --leave "${Leave}MiB" --detailed-log "$Log" \
    "$Folder" >/dev/null
  # "remaining,speed" per write; the speed is the last field whatever the decimal separator.
  tr -d '\r' <"$Log" | awk -F, '{ Seconds += 8 / $NF; Writes++ }
    END { if (Writes == 0) exit 1; printf "%.1f %d\n", 8 * Writes / Seconds, Writes * 8 }'
}

RunFio() {  # folder, mode -> MiB/s
  local Folder=$1 Mode=$2 Direct=1 Json
  [[ $Mode == buffered ]] && Direct=0
  # No preallocation: the same appending writes into a new file as varnell's.
  # fio warms up in its job, right before its first write: done before fio starts, the memory
  # would be handed back to the host during fio's half a second of start-up.
  Json=$(cd "$Logs" && fio --name=fill --directory="$Folder" --filename=fio-fill --rw=write \
    --bs=8M --size="${TotalMiB}M" --direct=$Direct --ioengine=psync --iodepth=1 --numjobs=1 \
    --fallocate=none --exec_prerun="$(WarmCommand "$Folder")" --output-format=json |
    sed -n '/^{/,$p')
  rm -f "$Folder/fio-fill"
  # Also 8 MiB over fio's mean latency per write: the same measure as varnell's, for reference.
  jq -r '.jobs[0].write | "\(.bw_bytes / 1048576 * 10 | round / 10) \(.io_bytes / 1048576)" +
    " \(8 / (.lat_ns.mean / 1e9) * 10 | round / 10)"' <<<"$Json"
}

RunVarnellVerify() {  # folder, mode -> MiB/s of the read-back, MiB read; leaves Randomfile0
  local Folder=$1 Mode=$2 Log="$Logs/verify.txt" Leave Cache=()
  [[ $Mode == buffered ]] && Cache=(--cache)
  Leave=$(($(FreeMiB "$Folder") - 1 - TotalMiB))
  # "." as the separator of the read time, whatever the locale.
  LC_ALL=C.UTF-8 "$Cli" -q "${Cache[@]}" --allow-system-drive --verify --keep \
    --leave "${Leave}MiB" --log "$Log" \
    "$Folder" >/dev/null
  tr -d '\r' <"$Log" | awk '
    /^읽은 용량 : / { split($4, Read, "MiB"); MiB = Read[1] }
    /^읽기 시간 : / { sub("초", "", $4); Seconds = $4 }
    /^검증 결과 : / { Verdict = $4 }
    END { if (Seconds == 0 || Verdict != "이상") exit 1; printf "%.1f %d\n", MiB / Seconds, MiB }'
}

RunFioRead() {  # folder, mode -> MiB/s of a sequential read of Randomfile0
  local Folder=$1 Mode=$2 Direct=1
  [[ $Mode == buffered ]] && Direct=0
  (cd "$Logs" && fio --name=readback --filename="$Folder/Randomfile0" --rw=read --bs=8M \
    --size="${TotalMiB}M" --direct=$Direct --invalidate=1 --ioengine=psync --iodepth=1 \
    --numjobs=1 --output-format=json | sed -n '/^{/,$p') |
    jq -r '.jobs[0].read | "\(.bw_bytes / 1048576 * 10 | round / 10) \(.io_bytes / 1048576)"'
}

Median() { sort -g | awk '{ V[NR] = $1 } END { print (NR % 2) ? V[(NR + 1) / 2] : (V[NR / 2] + V[NR / 2 + 1]) / 2 }'; }
Range() { sort -g | awk 'NR == 1 { Min = $1 } { Max = $1 } END { printf "%s-%s", Min, Max }'; }

Only=${VARNELL_FIO_ONLY:-}
Results="$Logs/results.txt"
: >"$Results"
if [[ $Only != read ]]; then
echo "# round target mode tool MiB/s MiB_written [fio: MiB/s from its mean write latency]"
for ((Round = 1; Round <= Rounds; Round++)); do
  # Alternate who goes first, so that neither always follows the other's writeback.
  if ((Round % 2)); then Order=(varnell fio); else Order=(fio varnell); fi
  echo "# round $Round: $("$(dirname "$0")/wait-calm.sh" 15 "${VARNELL_CALM_WAIT:-120}")"
  for Target in "${Targets[@]}"; do
    Name=${Target%%:*}
    Folder=${Target#*:}
    for Mode in unbuffered buffered; do
      for Tool in "${Order[@]}"; do
        sync
        if [[ $Tool == varnell ]]; then
          Warm "$Folder"
          Figure=$(RunVarnell "$Folder" "$Mode")
        else
          Figure=$(RunFio "$Folder" "$Mode")
        fi
        sync
        echo "$Round $Name $Mode $Tool $Figure" | tee -a "$Results"
      done
    done
  done
done

echo
echo "# target mode: varnell median (min-max) | fio median (min-max) | ratio of medians (per-round min-max) | fio from its latencies"
for Target in "${Targets[@]}"; do
  Name=${Target%%:*}
  for Mode in unbuffered buffered; do
    Of() { awk -v N="$Name" -v M="$Mode" -v T="$1" '$2 == N && $3 == M && $4 == T { print $5 }' "$Results"; }
    Varnell=$(Of varnell | Median)
    Fio=$(Of fio | Median)
    Ratios=$(paste <(awk -v N="$Name" -v M="$Mode" '$2 == N && $3 == M && $4 == "varnell" { print $1, $5 }' "$Results" | sort -n) \
      <(awk -v N="$Name" -v M="$Mode" '$2 == N && $3 == M && $4 == "fio" { print $1, $5 }' "$Results" | sort -n) |
      awk '{ printf "%.3f\n", $2 / $4 }' | Range)
    FioLat=$(awk -v N="$Name" -v M="$Mode" '$2 == N && $3 == M && $4 == "fio" { print $7 }' "$Results")
    printf "%s %s: varnell %s (%s) | fio %s (%s) | ratio %.3f (%s) | fio by latency %s (%s)\n" \
      "$Name" "$Mode" "$Varnell" "$(Of varnell | Range)" "$Fio" "$(Of fio | Range)" \
      "$(awk -v A="$Varnell" -v B="$Fio" 'BEGIN { print A / B }')" "$Ratios" \
      "$(Median <<<"$FioLat")" "$(Range <<<"$FioLat")"
  done
done

fi

[[ $Only == fill ]] && exit 0
echo
echo "# read-back: round target mode tool MiB/s MiB_read"
ReadResults="$Logs/read-results.txt"
: >"$ReadResults"
for ((Round = 1; Round <= Rounds; Round++)); do
  echo "# round $Round: $("$(dirname "$0")/wait-calm.sh" 15 "${VARNELL_CALM_WAIT:-120}")"
  for Target in "${Targets[@]}"; do
    Name=${Target%%:*}
    Folder=${Target#*:}
    for Mode in unbuffered buffered; do
      sync
      Warm "$Folder"
      echo "$Round $Name $Mode varnell $(RunVarnellVerify "$Folder" "$Mode")" | tee -a "$ReadResults"
      echo "$Round $Name $Mode fio $(RunFioRead "$Folder" "$Mode")" | tee -a "$ReadResults"
      echo "$Round $Name $Mode fio-again $(RunFioRead "$Folder" "$Mode")" | tee -a "$ReadResults"
      rm -f "$Folder"/Randomfile*
      sync
    done
  done
done

echo
echo "# read-back, target mode: varnell median (min-max) | fio median (min-max) | ratio of medians (per-round min-max) | fio again median (min-max) | ratio to it"
for Target in "${Targets[@]}"; do
  Name=${Target%%:*}
  for Mode in unbuffered buffered; do
    Of() { awk -v N="$Name" -v M="$Mode" -v T="$1" '$2 == N && $3 == M && $4 == T { print $5 }' "$ReadResults"; }
    Varnell=$(Of varnell | Median)
    Fio=$(Of fio | Median)
    Ratios=$(paste <(awk -v N="$Name" -v M="$Mode" '$2 == N && $3 == M && $4 == "varnell" { print $1, $5 }' "$ReadResults" | sort -n) \
      <(awk -v N="$Name" -v M="$Mode" '$2 == N && $3 == M && $4 == "fio" { print $1, $5 }' "$ReadResults" | sort -n) |
      awk '{ printf "%.3f\n", $2 / $4 }' | Range)
    Again=$(Of fio-again | Median)
    printf "%s %s: varnell %s (%s) | fio %s (%s) | ratio %.3f (%s) | fio again %s (%s) | ratio %.3f\n" \
      "$Name" "$Mode" "$Varnell" "$(Of varnell | Range)" "$Fio" "$(Of fio | Range)" \
      "$(awk -v A="$Varnell" -v B="$Fio" 'BEGIN { print A / B }')" "$Ratios" \
      "$Again" "$(Of fio-again | Range)" "$(awk -v A="$Varnell" -v B="$Again" 'BEGIN { print A / B }')"
  done
done
