#!/usr/bin/env bash
# Builds the Debian package and installs it on a fresh Debian 12 root as a user would
# (`apt install ./varnell_<version>_<arch>.deb`, apt resolving the dependencies inside the root),
# then runs the programs there: the versions, the windowed program's help without a display and
# its window on Qt's offscreen platform (in Korean and English), small fills of a tmpfs by an
# ordinary user in both languages, the drive
# list; checks that the menu entry and its icon are where a menu looks for them; and removes the
# package again. Needs root (debootstrap, chroot, mounts) and the Debian mirror.
#   VARNELL_DEB_BUILD   the package's build folder (default build-deb)
#   VARNELL_DEB_CACHE   the bootstrapped root (a tarball) and the downloaded packages, kept so
#                       that the next run downloads nothing (default /var/cache/varnell-deb-test)
#   VARNELL_DEB_MIRROR  the mirror to bootstrap from (default: the first of this machine's
#                       Debian sources, whose sources file the root then gets too)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -ne 0 ]; then
  echo "deb-install-test.sh needs root: it bootstraps a Debian root, chroots and mounts" >&2
  exit 1
fi
Build=${VARNELL_DEB_BUILD:-build-deb}
Cache=${VARNELL_DEB_CACHE:-/var/cache/varnell-deb-test}
# The Debian sources this machine uses (a Debian 12 installation's own file).
HostSources=/etc/apt/sources.list.d/debian.sources
Mirror=${VARNELL_DEB_MIRROR:-$(sed -n 's/^URIs: *//p' "$HostSources" 2>/dev/null | head -n 1)}
Suite=bookworm

step() { printf '\n=== %s (at %d s)\n' "$1" "$SECONDS"; }

scripts/install-deps.sh
for Package in debootstrap dpkg-dev; do
  dpkg-query -W -f='${Status}' "$Package" 2>/dev/null | grep -q "install ok installed" ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$Package"
done

step "the package"
Launcher=()
command -v ccache >/dev/null && Launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$Build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVARNELL_TESTS=OFF \
  -DVARNELL_BENCH=OFF "${Launcher[@]}" >/dev/null
cmake --build "$Build" -j2
(cd "$Build" && cpack >/dev/null)
Version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$Build/CPackConfig.cmake")
Deb=$Build/varnell_${Version}_$(dpkg --print-architecture).deb
ls -l "$Deb"
dpkg-deb --field "$Deb" Package Version Section Maintainer Homepage Depends Recommends

# Everything below lives in Root, a tmpfs (unpacking some 200 packages is quicker in memory, and
# nothing is left on disk); every mount in it, and then Root itself, is undone on the way out,
# whatever happened.
Root=$(mktemp -d /var/tmp/varnell-deb-test.XXXXXX)
cleanup() {
  local Status=$?
  local Mounts
  Mounts=$(findmnt --list --noheadings --output TARGET | grep -E "^$Root(/|\$)" | sort -r || true)
  for Mount in $Mounts; do
    umount "$Mount" 2>/dev/null || umount --lazy "$Mount"
  done
  rmdir "$Root" 2>/dev/null || echo "$Root is still mounted or not empty; left in place" >&2
  exit "$Status"
}
trap cleanup EXIT
mount -t tmpfs -o size=3g tmpfs "$Root"

in_root() { chroot "$Root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
mount_system() {
  mount -t proc proc "$Root/proc"
  mount -t sysfs sysfs "$Root/sys"
  mount --bind /dev "$Root/dev"
  mount --bind /dev/pts "$Root/dev/pts"
  mkdir -p "$Cache/archives/partial"
  mount --bind "$Cache/archives" "$Root/var/cache/apt/archives"
  cp /etc/resolv.conf "$Root/etc/resolv.conf"
}
unmount_system() {
  umount "$Root/var/cache/apt/archives" "$Root/dev/pts" "$Root/dev" "$Root/sys" "$Root/proc"
}

# A fresh Debian 12 with the sources of an ordinary installation (updates and security too, as
# this machine has them), and their package lists.
Tarball=$Cache/$Suite-minbase.tar
if [ ! -f "$Tarball" ]; then
  step "bootstrapping Debian $Suite (once; cached in $Tarball)"
  mkdir -p "$Cache"
  debootstrap --variant=minbase "$Suite" "$Root" ${Mirror:+"$Mirror"} >"$Cache/debootstrap.log" 2>&1 || {
    tail -n 20 "$Cache/debootstrap.log"
    exit 1
  }
  if [ -f "$HostSources" ]; then
    cp "$HostSources" "$Root/etc/apt/sources.list.d/"
    rm -f "$Root/etc/apt/sources.list"
  fi
  chmod 755 "$Root"
  mount_system
  in_root apt-get update -q >/dev/null
  unmount_system
  tar -C "$Root" -cf "$Tarball.new" . && mv "$Tarball.new" "$Tarball"
else
  step "a fresh root from $Tarball"
  tar -C "$Root" -xf "$Tarball"
fi
# A root folder others may enter: apt's download user and the ordinary user of the fill.
chmod 755 "$Root"
mount_system

step "apt install ./$(basename "$Deb")"
cp "$Deb" "$Root/tmp/"
in_root apt-get update -q >/dev/null
in_root sh -c "cd /tmp && DEBIAN_FRONTEND=noninteractive apt install -y -o APT::Keep-Downloaded-Packages=true ./$(basename "$Deb")" \
  2>&1 | grep -E '^([0-9]+ upgraded|Need to get|After this|Setting up varnell)' || true
in_root dpkg-query -W -f='installed: ${Package} ${Version} (${Status})\n' varnell
in_root dpkg-query -W -f='${Depends}\n' varnell | sed 's/^/Depends: /'

Failed=0
fail() {
  echo "FAIL: $*"
  Failed=1
}
# Runs a program in the root and checks its exit code; its output is shown.
expect() {
  local Code=$1
  shift
  local Got=0
  echo "\$ $*"
  "$@" || Got=$?
  [ "$Got" -eq "$Code" ] || fail "exit code $Got, expected $Code: $*"
}

step "the programs"
Answer=$(in_root varnell-cli --version)
echo "varnell-cli --version: $Answer"
[ "$Answer" = "varnell-cli $Version" ] || fail "varnell-cli --version said \"$Answer\""
Answer=$(in_root varnell --version)
echo "varnell --version: $Answer"
[ "$Answer" = "varnell $Version" ] || fail "varnell --version said \"$Answer\""
expect 0 in_root varnell --help
# No display: the window's program says so instead of aborting in Qt.
expect 1 in_root varnell
# The window itself on Qt's offscreen platform: still running after five seconds means the
# libraries, Qt's platform plugin and the windows all came up.
expect 124 in_root QT_QPA_PLATFORM=offscreen timeout 5 varnell
expect 0 in_root varnell-drives

# The window in English too: the built-in translation loads without a file beside it.
expect 124 in_root QT_QPA_PLATFORM=offscreen VARNELL_LANG=en timeout 5 varnell
expect 2 in_root varnell-cli --lang xx /tmp

step "fills of a 64 MiB tmpfs, as an ordinary user, in Korean and in English"
mkdir -p "$Root/mnt/fill"
mount -t tmpfs -o size=64m,mode=1777 tmpfs "$Root/mnt/fill"
# Language | how it is chosen | the summary's average line | a speed line
Fills=(
  "ko||^평균 속도 : [0-9]*MiB/s|% 에서의 속도 : "
  "en|--lang en|^Average speed : [0-9]*MiB/s|^Speed at .*% : "
  "en|VARNELL_LANG=en|^Average speed : [0-9]*MiB/s|^Speed at .*% : "
)
for Fill in "${Fills[@]}"; do
  IFS='|' read -r Language Choice Average Speed <<<"$Fill"
  Option=() Variable=()
  case "$Choice" in
    --lang*) read -ra Option <<<"$Choice" ;;
    ?*) Variable=("$Choice") ;;
  esac
  # Through the cache: tmpfs offers no direct I/O on older kernels.
  Report=$(mktemp)
  expect 0 chroot --userspec=65534:65534 "$Root" /usr/bin/env -i PATH=/usr/bin:/bin \
    LANG=C.UTF-8 "${Variable[@]}" varnell-cli "${Option[@]}" --leave 8MiB --step 10 --cache \
    /mnt/fill >"$Report"
  cat "$Report"
  grep -q "$Average" "$Report" || fail "the fill ($Language, $Choice) printed no summary"
  [ "$(grep -c "$Speed" "$Report")" -ge 3 ] || fail "the fill ($Language) printed too few speed lines"
  if [ "$Language" = en ] && grep -qP '[\x{AC00}-\x{D7A3}]' "$Report"; then
    fail "the English fill ($Choice) printed Korean"
  fi
  [ -z "$(ls -A "$Root/mnt/fill")" ] || fail "the fill left files: $(ls "$Root/mnt/fill")"
  rm -f "$Report"
done
umount "$Root/mnt/fill"

step "where the menu looks"
Desktop=$(in_root dpkg -L varnell | grep '^/usr/share/applications/.*\.desktop$')
echo "menu entry: $Desktop"
desktop-file-validate "$Root$Desktop" && echo "desktop-file-validate: no remarks"
Icon=$(sed -n 's/^Icon=//p' "$Root$Desktop")
Exec=$(sed -n 's/^Exec=//p' "$Root$Desktop")
IconFile=$(in_root dpkg -L varnell | grep "^/usr/share/icons/hicolor/.*/apps/$Icon\.\(svg\|png\)$" || true)
[ -n "$IconFile" ] && echo "icon $Icon: $IconFile" || fail "icon $Icon is not in the hicolor theme"
Program=$(in_root sh -c "command -v ${Exec%% *}" || true)
[ -n "$Program" ] && echo "Exec=$Exec: $Program" || fail "Exec=$Exec is not on the root's PATH"
in_root dpkg -L varnell | grep -E '/(man1|completions|metainfo)/'

step "apt remove varnell"
in_root sh -c "DEBIAN_FRONTEND=noninteractive apt-get remove -y -q varnell" >/dev/null
[ ! -e "$Root/usr/bin/varnell-cli" ] || fail "varnell-cli is still there after the removal"
[ ! -e "$Root$Desktop" ] || fail "the menu entry is still there after the removal"

unmount_system
step "done"
if [ "$Failed" -ne 0 ]; then
  echo "deb-install-test: FAILED"
  exit 1
fi
echo "deb-install-test: $(basename "$Deb") installs, runs and removes cleanly on a fresh Debian $Suite"
