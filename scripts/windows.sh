#!/usr/bin/env bash
# The Windows build, checked here: cross-builds the core, the tests and varnell-cli.exe with
# mingw-w64, runs the tests under wine, lists wine's drives, and compares the logs of a small
# fill through varnell-cli.exe with those of the same fill through the Linux varnell-cli.
#   VARNELL_WIN_BUILD  build folder (default build-windows)
#   VARNELL_LINUX_CLI  the Linux varnell-cli to compare with (default build/app/varnell-cli,
#                      built into $VARNELL_WIN_BUILD-linux when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
Root=$PWD
Build=${VARNELL_WIN_BUILD:-build-windows}

# rsvg-convert and icotool draw the programs' icon.
Packages=(g++-mingw-w64-x86-64-posix wine wine64 librsvg2-bin icoutils)
Missing=()
for Package in "${Packages[@]}"; do
  dpkg-query -W -f='${Status}' "$Package" 2>/dev/null | grep -q "install ok installed" || Missing+=("$Package")
done
if [ ${#Missing[@]} -gt 0 ]; then
  Sudo=""
  [ "$(id -u)" -eq 0 ] || Sudo="sudo"
  echo "Installing: ${Missing[*]}"
  $Sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $Sudo apt-get install -y --no-install-recommends "${Missing[@]}"
fi

cmake -S . -B "$Build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DVARNELL_GUI=OFF
cmake --build "$Build" -j2

# A prefix of our own, booted before ctest with its output elsewhere: wine's background
# processes would otherwise hold ctest's pipes open.
export WINEPREFIX="$Root/$Build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
Scratch=""
cleanup() {
  if [ -n "$Scratch" ]; then
    mountpoint -q "$Scratch/volume" && umount "$Scratch/volume"
    rm -rf "$Scratch"
  fi
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
# One server for every wine process until the end: a server that ends between two programs
# races with the next one's start ("recvmsg: Connection reset by peer").
mkdir -p "$WINEPREFIX"
wineserver -k 2>/dev/null || true
wineserver -p >/dev/null 2>&1 </dev/null
timeout 180 wineboot -i >/dev/null 2>&1 </dev/null

# One test program at a time, and a second try for a program that wine itself failed to start
# (seen once in CI: a failure without a line of the test's own output).
timeout 900 ctest --test-dir "$Build" --output-on-failure --timeout 300 -j1 --repeat until-pass:2

echo "--- wine's drives, as varnell-drives.exe lists them"
timeout 60 wine "$Build/app/varnell-drives.exe" </dev/null

# The same small fill on both systems: a 48 MiB tmpfs (so that free space is the same for both
# and nothing else fills), logging every 10 %, through the cache (tmpfs has no direct I/O).
if [ "$(id -u)" -ne 0 ]; then
  echo "--- fill comparison skipped: mounting a small tmpfs needs root"
  exit 0
fi
LinuxCli=${VARNELL_LINUX_CLI:-build/app/varnell-cli}
if [ ! -x "$LinuxCli" ]; then
  cmake -S . -B "$Build-linux" -G Ninja -DVARNELL_GUI=OFF -DVARNELL_TESTS=OFF
  cmake --build "$Build-linux" -j2 --target varnell-cli
  LinuxCli="$Build-linux/app/varnell-cli"
fi
Scratch=$(mktemp -d /tmp/varnell-wine-fill.XXXXXX)
mkdir "$Scratch/volume" "$Scratch/logs"
mount -t tmpfs -o size=48m tmpfs "$Scratch/volume"
mkdir "$Scratch/volume/드라이브"
Options=(-q -c -s 10 -l 4MiB)
"$LinuxCli" "${Options[@]}" --log "$Scratch/logs/linux.log" \
  --detailed-log "$Scratch/logs/linux.detailed.log" "$Scratch/volume/드라이브" >/dev/null
WinScratch="Z:${Scratch//\//\\}"
timeout 120 wine "$Build/app/varnell-cli.exe" "${Options[@]}" --log "$WinScratch\\logs\\windows.log" \
  --detailed-log "$WinScratch\\logs\\windows.detailed.log" "$WinScratch\\volume\\드라이브" \
  </dev/null >/dev/null

# Times, speeds, sizes and the drive differ by nature; everything else must be the same bytes.
masked() { sed -E 's/[0-9]+/#/g; s/^(드라이브 : ).*/\1(drive)/' "$1"; }
Failed=0
for Log in log detailed.log; do
  Linux="$Scratch/logs/linux.$Log"
  Windows="$Scratch/logs/windows.$Log"
  for File in "$Linux" "$Windows"; do
    Lines=$(wc -l <"$File")
    CrLf=$(grep -c $'\r$' "$File" || true)
    if [ "$Lines" -eq 0 ] || [ "$Lines" -ne "$CrLf" ] || ! iconv -f UTF-8 -t UTF-8 "$File" >/dev/null; then
      echo "$File: $Lines lines, $CrLf ending in CR LF, or not UTF-8"
      Failed=1
    fi
  done
  if ! diff <(masked "$Linux") <(masked "$Windows"); then
    echo "the $Log lines of the Windows fill differ from the Linux fill"
    Failed=1
  fi
done
if [ -n "$(ls -A "$Scratch/volume/드라이브")" ]; then
  echo "the fill left files behind"
  Failed=1
fi
if [ "$Failed" -ne 0 ]; then
  exit 1
fi
echo "--- fill comparison: $(wc -l <"$Scratch/logs/windows.log") log lines and" \
  "$(wc -l <"$Scratch/logs/windows.detailed.log") detailed lines match the Linux run"
