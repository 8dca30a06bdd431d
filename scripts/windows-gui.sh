#!/usr/bin/env bash
# The window on Windows: cross-builds Qt for mingw-w64 from Debian's qt6-base source and the
# Qt Charts and Qt SVG archives (once, into a cache folder outside the checkout), builds
# varnell.exe, varnell-cli.exe and varnell-drives.exe against it, runs the forms tests under
# wine, and packs the portable zip, which it then proves in a fresh wine prefix.
#   --qt-only           stop once Qt is built (or found in the cache)
#   VARNELL_QT_CACHE    parent of the Qt cache folders (default /var/cache/varnell)
#   VARNELL_WIN_BUILD   build folder of the programs (default build-windows-gui)
#   VARNELL_THIRD_PARTY folder with qtcharts- and qtsvg-everywhere-src-6.4.2.tar.xz
#                       (default ../shared/third-party beside the checkout)
set -euo pipefail
cd "$(dirname "$0")/.."
Root=$PWD
QtOnly=0
[ "${1:-}" = "--qt-only" ] && QtOnly=1

Sudo=""
[ "$(id -u)" -eq 0 ] || Sudo="sudo"
install_missing() {
  local Missing=() Package
  for Package in "$@"; do
    dpkg-query -W -f='${Status}' "$Package" 2>/dev/null | grep -q "install ok installed" || Missing+=("$Package")
  done
  if [ ${#Missing[@]} -gt 0 ]; then
    echo "Installing: ${Missing[*]}"
    $Sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $Sudo apt-get install -y --no-install-recommends "${Missing[@]}"
  fi
}
# The cross compiler, Debian's Qt for the host tools (moc, rcc, uic, lrelease) and what builds
# and unpacks Qt's source.
install_missing g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools qt6-tools-dev \
  qt6-tools-dev-tools qt6-l10n-tools cmake ninja-build perl python3 dpkg-dev xz-utils

# --- Qt for Windows ----------------------------------------------------------------------
# The host's Qt version decides the target's: the tools run at build time must match exactly.
QtDebianVersion=$(dpkg-query -W -f='${Version}' qt6-base-dev)
QtVersion=${QtDebianVersion%%+*}
ThirdParty=${VARNELL_THIRD_PARTY:-$Root/../shared/third-party}
for Module in qtcharts qtsvg; do
  if [ ! -f "$ThirdParty/$Module-everywhere-src-$QtVersion.tar.xz" ]; then
    echo "$ThirdParty/$Module-everywhere-src-$QtVersion.tar.xz is missing (set VARNELL_THIRD_PARTY)" >&2
    exit 1
  fi
done

# Only what the windows, the chart and the image export use. Qt's own copies of zlib, libpng,
# FreeType, HarfBuzz and PCRE2: the mingw sysroot has none of them, and the host's must stay
# out. Debian's repacked source lacks wintab.h, hence no tablet events; the Windows platform
# plugin of this Qt does not compile without OpenGL, so OpenGL stays.
QtOptions=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_testlib=ON -DFEATURE_opengl=ON
  -DFEATURE_tabletevent=OFF -DFEATURE_vulkan=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF
  -DFEATURE_zstd=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_sql_sqlite=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_freetype=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF
)
# The toolchain Qt is built with, written into the cache (Qt's installed toolchain file loads
# it again when the modules and the programs are configured). No static runtime here: the Qt
# DLLs share the mingw runtime DLLs with the programs.
QtToolchain='set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
'
QtKey=$(printf '%s\n' "$QtDebianVersion" "$(x86_64-w64-mingw32-g++-posix -dumpversion)" \
  "${QtOptions[@]}" "$QtToolchain" | sha256sum | cut -c1-12)
QtCache=${VARNELL_QT_CACHE:-/var/cache/varnell}/qt-$QtVersion-mingw-w64-$QtKey
QtPrefix=$QtCache/install
QtDone=$QtPrefix/.varnell-complete
QtLog=$QtCache/build.log
QtTimes=$QtCache/times.txt

# Runs one stage of the Qt build at the lowest priority, its output in the log, its time in
# times.txt.
qt_stage() {
  local Name=$1 Start End
  shift
  Start=$(date +%s)
  echo "--- $(date '+%F %T') $Name" >>"$QtLog"
  if ! nice -n 19 ionice -c3 "$@" >>"$QtLog" 2>&1; then
    echo "Qt build failed in '$Name'; the log is $QtLog" >&2
    tail -n 30 "$QtLog" >&2
    exit 1
  fi
  End=$(date +%s)
  echo "$Name: $((End - Start)) s" >>"$QtTimes"
  echo "    $Name: $((End - Start)) s"
}

build_qt() {
  $Sudo mkdir -p "$QtCache"
  [ -w "$QtCache" ] || $Sudo chown "$(id -u):$(id -g)" "$QtCache"
  printf '%s' "$QtToolchain" >"$QtCache/mingw-w64.toolchain.cmake"
  printf '%s\n' "${QtOptions[@]}" >"$QtCache/options.txt"
  # A build that stopped half-way goes on where it was (ninja); its stages' times stay listed.
  echo "--- run of $(date '+%F %T')" >>"$QtTimes"
  local Started Source=$QtCache/source
  Started=$(date +%s)
  echo "Building Qt $QtVersion for Windows in $QtCache (log: $QtLog)"

  # Debian's source of the very package whose host tools are used. apt needs a deb-src entry
  # for the release the deb entries name.
  if [ ! -d "$Source/qtbase" ]; then
    if ! apt-get source --print-uris "qt6-base=$QtDebianVersion" >/dev/null 2>&1; then
      local Sources=/etc/apt/sources.list.d/debian.sources
      if [ ! -f "$Sources" ]; then
        echo "no deb-src entry for qt6-base and no $Sources to derive one from" >&2
        exit 1
      fi
      sed 's/^Types: deb$/Types: deb-src/' "$Sources" | $Sudo tee /etc/apt/sources.list.d/varnell-deb-src.sources >/dev/null
      $Sudo apt-get update
    fi
    rm -rf "$Source"
    mkdir -p "$Source/download"
    (cd "$Source/download" && qt_stage "qt6-base source" apt-get source "qt6-base=$QtDebianVersion")
    mv "$Source"/download/qt6-base-*/ "$Source/qtbase"
    for Module in qtsvg qtcharts; do
      qt_stage "$Module source" tar -xJf "$ThirdParty/$Module-everywhere-src-$QtVersion.tar.xz" -C "$Source"
      mv "$Source/$Module-everywhere-src-$QtVersion" "$Source/$Module"
    done
    rm -rf "$Source/download"
  fi

  qt_stage "qtbase configure" cmake -S "$Source/qtbase" -B "$QtCache/build-qtbase" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$QtCache/mingw-w64.toolchain.cmake" -DCMAKE_INSTALL_PREFIX="$QtPrefix" \
    "${QtOptions[@]}"
  qt_stage "qtbase build" ninja -C "$QtCache/build-qtbase" -j2
  qt_stage "qtbase install" ninja -C "$QtCache/build-qtbase" install
  for Module in qtsvg qtcharts; do
    qt_stage "$Module configure" cmake -S "$Source/$Module" -B "$QtCache/build-$Module" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$QtPrefix/lib/cmake/Qt6/qt.toolchain.cmake" \
      -DCMAKE_INSTALL_PREFIX="$QtPrefix" -DCMAKE_BUILD_TYPE=Release \
      -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_BENCHMARKS=OFF
    qt_stage "$Module build" ninja -C "$QtCache/build-$Module" -j2
    qt_stage "$Module install" ninja -C "$QtCache/build-$Module" install
  done
  echo "total: $(($(date +%s) - Started)) s" >>"$QtTimes"
  touch "$QtDone"
}

if [ -f "$QtDone" ]; then
  echo "Qt $QtVersion for Windows: reusing $QtPrefix"
else
  build_qt
fi
[ "$QtOnly" -eq 1 ] && exit 0

# --- The programs --------------------------------------------------------------------------
install_missing wine wine64 librsvg2-bin icoutils qt6-translations-l10n xvfb xdotool imagemagick \
  fonts-nanum zip unzip fuse3 libfuse3-dev
Build=${VARNELL_WIN_BUILD:-build-windows-gui}
Version=$(sed -n 's/^project(Varnell VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# Qt's toolchain file loads the project's own, without its static runtime: the programs and the
# Qt DLLs share one C++ runtime (the mingw runtime DLLs ship beside them).
cmake -S . -B "$Build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$QtPrefix/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$Root/cmake/mingw-w64.cmake" -DCMAKE_EXE_LINKER_FLAGS="" \
  -DCMAKE_BUILD_TYPE=Release -DVARNELL_GUI=ON
cmake --build "$Build" -j2 --target varnell varnell-cli varnell-drives forms_tests plot_tests

# Where the DLLs that the programs load are found: Qt's, then the mingw runtime's.
MingwDirs=("$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
  "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")")
DllDirs=("$QtPrefix/bin" "${MingwDirs[@]}")
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
Scratch=""
Mounts=()
cleanup() {
  local Mount
  if [ -n "${XvfbPid:-}" ]; then kill "$XvfbPid" 2>/dev/null || true; fi
  WINEPREFIX=$Root/$Build/wine wineserver -k 2>/dev/null || true
  if [ -n "${ProofPrefix:-}" ]; then WINEPREFIX=$ProofPrefix wineserver -k 2>/dev/null || true; fi
  if [ -n "${SimPid:-}" ]; then
    kill "$SimPid" 2>/dev/null || true
    wait "$SimPid" 2>/dev/null || true
  fi
  for Mount in "${Mounts[@]}"; do
    if mountpoint -q "$Mount"; then umount "$Mount" || umount -l "$Mount" || true; fi
  done
  [ -n "$Scratch" ] && rm -rf "$Scratch"
  return 0
}
trap cleanup EXIT
# Interrupted or stopped, it still unmounts its drives and ends its wine and X servers.
trap 'exit 130' INT
trap 'exit 143' TERM
Scratch=$(mktemp -d /tmp/varnell-wine-gui.XXXXXX)

# A prefix of its own with one server for all its programs (see scripts/windows.sh), and a
# Korean font in its Fonts folder: wine has none.
start_prefix() {
  export WINEPREFIX=$1
  mkdir -p "$WINEPREFIX"
  wineserver -k 2>/dev/null || true
  wineserver -p >/dev/null 2>&1 </dev/null
  timeout 180 wineboot -i >/dev/null 2>&1 </dev/null
  cp /usr/share/fonts/truetype/nanum/NanumGothic.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
}
start_prefix "$Root/$Build/wine"
close_program() {
  wineserver -k 2>/dev/null || true
  wineserver -p >/dev/null 2>&1 </dev/null
}
WinePath=""
for Dir in "${DllDirs[@]}"; do WinePath+="$(windows_path "$Dir");"; done
QT_PLUGIN_PATH=$(windows_path "$QtPrefix/plugins")
export WINEPATH=$WinePath QT_PLUGIN_PATH

echo "--- forms and plot tests under wine (offscreen)"
for Tests in forms_tests plot_tests; do
  QT_QPA_PLATFORM=offscreen timeout 900 wine "$Build/tests/$Tests.exe" --gtest_brief=1 </dev/null
done

# --- The window under Xvfb -----------------------------------------------------------------
# Drives for the window: a 512 MiB tmpfs as T: and, for pause and cancel, the simulated flash
# drive as S: (256 MiB, 64 MiB of fast cache, then 12 MiB/s: slow enough to catch a pass).
# The tmpfs fills at about 2 GiB/s under wine: smaller, its pass would be over and its files
# gone between two looks at it.
mkdir -p "$Scratch/tmpfs" "$Scratch/sim" "$Build/screenshots"
mount -t tmpfs -o size=512m tmpfs "$Scratch/tmpfs"
Mounts+=("$Scratch/tmpfs")
LinuxBuild=$Build-linux
cmake -S . -B "$LinuxBuild" -G Ninja -DVARNELL_GUI=OFF -DVARNELL_TESTS=ON >/dev/null
cmake --build "$LinuxBuild" -j2 --target varnell-simdrive
start_simdrive() {
  "$LinuxBuild/tests/simdrive/varnell-simdrive" "$Scratch/sim" --capacity 256M --cache 64M \
    --cache-speed 200 --speed 12 2>/dev/null &
  SimPid=$!
  local Tries=0
  until mountpoint -q "$Scratch/sim"; do
    sleep 0.2
    Tries=$((Tries + 1))
    [ "$Tries" -lt 100 ] || { echo "the simulated drive did not mount" >&2; exit 1; }
  done
}
stop_simdrive() {
  kill "$SimPid"
  wait "$SimPid" 2>/dev/null || true
  SimPid=""
}
ln -sfn "$Scratch/tmpfs" "$WINEPREFIX/dosdevices/t:"
ln -sfn "$Scratch/sim" "$WINEPREFIX/dosdevices/s:"
# Wine's mount manager reads the drive letters when it starts: without a restart the window
# lists only C: and Z:, and typing "t" leaves C: chosen.
close_program

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$Scratch/display" 2>/dev/null &
XvfbPid=$!
for _ in $(seq 50); do [ -s "$Scratch/display" ] && break; sleep 0.2; done
DISPLAY=":$(cat "$Scratch/display")"
export DISPLAY

shot() { import -window root "$Build/screenshots/$1.png"; }
fail() {
  shot "failed"
  echo "$1 (screen: $Build/screenshots/failed.png)" >&2
  exit 1
}
# The id of the first window whose name matches $1, waiting up to 60 s.
wait_window() {
  local Id
  for _ in $(seq 120); do
    Id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) && [ -n "$Id" ] && {
      echo "$Id"
      return 0
    }
    sleep 0.5
  done
  return 1
}
# Clicks a point of a window given in the coordinates of its client area (Width x Height):
# wine may draw the frame inside the X window, so the frame's size is taken off.
click() {
  local Window=$1 Width=$2 Height=$3 X=$4 Y=$5 Geometry OuterW OuterH Border
  Geometry=$(xdotool getwindowgeometry --shell "$Window")
  OuterW=$(sed -n 's/^WIDTH=//p' <<<"$Geometry")
  OuterH=$(sed -n 's/^HEIGHT=//p' <<<"$Geometry")
  Border=$(((OuterW - Width) / 2))
  [ "$Border" -ge 0 ] || Border=0
  xdotool mousemove --window "$Window" $((X + Border)) $((Y + OuterH - Height - Border)) click 1
}
bytes_on() { du -sb "$1" | cut -f1; }
# Waits up to $2 seconds until the test has written at least $3 bytes to folder $1.
wait_written() {
  local Deadline=$((SECONDS + $2))
  until [ "$(bytes_on "$1")" -ge "$3" ]; do
    [ "$SECONDS" -lt "$Deadline" ] || return 1
    sleep 0.05
  done
}
wait_empty() {
  local Deadline=$((SECONDS + $2))
  until [ -z "$(ls -A "$1")" ]; do
    [ "$SECONDS" -lt "$Deadline" ] || return 1
    sleep 0.5
  done
}

# Opens the window in language $1, picks drive $2 (its letter typed into the drive list),
# screenshots the settings and the drive list, starts, and sets Main to the main window.
open_and_start() {
  local Language=$1 Letter=$2 Name=$3 Title Settings
  Title="설정"
  [ "$Language" = en ] && Title="Settings"
  wine "$Build/app/varnell.exe" --lang "$Language" </dev/null >"$Scratch/$Name.log" 2>&1 &
  Settings=$(wait_window "^$Title\$") || fail "$Name: no settings window"
  Main=$(wait_window "^Varnell ") || fail "$Name: no main window"
  sleep 2
  xdotool windowactivate --sync "$Settings" 2>/dev/null || xdotool windowfocus --sync "$Settings"
  click "$Settings" 470 371 275 24
  sleep 1
  shot "$Name-1-drives"
  xdotool key Escape
  sleep 0.5
  xdotool type "$Letter"
  sleep 1
  shot "$Name-2-settings"
  click "$Settings" 470 371 237 348
}

echo "--- the window under Xvfb + wine (screenshots in $Build/screenshots)"
# A whole pass in Korean on the tmpfs: the chart, the summary and the analysis, files deleted.
open_and_start ko t ko-tmpfs
wait_written "$Scratch/tmpfs" 60 $((32 << 20)) || fail "ko-tmpfs: the fill did not start"
wait_empty "$Scratch/tmpfs" 120 || fail "ko-tmpfs: the files were not deleted after the pass"
sleep 3
shot "ko-tmpfs-3-pass-end"
close_program

# Pause and resume in English on the simulated drive, then the whole pass.
start_simdrive
open_and_start en s en-pause
wait_written "$Scratch/sim" 60 $((96 << 20)) || fail "en-pause: the fill did not start"
click "$Main" 1043 730 933 21
sleep 2
Before=$(bytes_on "$Scratch/sim")
sleep 3
[ "$(bytes_on "$Scratch/sim")" -eq "$Before" ] || fail "en-pause: writing went on while paused"
shot "en-pause-3-paused"
click "$Main" 1043 730 933 21
wait_written "$Scratch/sim" 30 $((Before + (16 << 20))) || fail "en-pause: no writes after resuming"
wait_empty "$Scratch/sim" 120 || fail "en-pause: the files were not deleted after the pass"
sleep 3
shot "en-pause-4-pass-end"
close_program
stop_simdrive

# Cancel in English on a fresh simulated drive: the files are deleted.
start_simdrive
open_and_start en s en-cancel
wait_written "$Scratch/sim" 60 $((96 << 20)) || fail "en-cancel: the fill did not start"
click "$Main" 1043 730 933 58
wait_empty "$Scratch/sim" 60 || fail "en-cancel: the files were not deleted after cancelling"
sleep 2
shot "en-cancel-3-cancelled"
close_program
stop_simdrive

# --- The portable zip ---------------------------------------------------------------------
Package=varnell-$Version-windows-x64
Stage=$Build/zip/$Package
Zip=$Build/$Package.zip
rm -rf "$Build/zip" "$Zip"
mkdir -p "$Stage/plugins"/{platforms,styles,imageformats,iconengines} "$Stage/translations" \
  "$Stage/licenses"
cp "$Build"/app/{varnell,varnell-cli,varnell-drives}.exe "$Stage/"
# The plugins the windows load: the Windows platform, the native style, SVG and icon images
# (PNG is built into Qt's GUI library).
cp "$QtPrefix/plugins/platforms/qwindows.dll" "$Stage/plugins/platforms/"
cp "$QtPrefix/plugins/styles/qwindowsvistastyle.dll" "$Stage/plugins/styles/"
cp "$QtPrefix"/plugins/imageformats/{qsvg,qico}.dll "$Stage/plugins/imageformats/"
cp "$QtPrefix/plugins/iconengines/qsvgicon.dll" "$Stage/plugins/iconengines/"
# Every DLL that the programs and plugins import, found among Qt's and the mingw runtime's;
# the system's own (KERNEL32, USER32, ...) are left to Windows.
while :; do
  Added=0
  while read -r Dll; do
    [ -e "$Stage/$Dll" ] && continue
    for Dir in "${DllDirs[@]}"; do
      if [ -f "$Dir/$Dll" ]; then
        cp "$Dir/$Dll" "$Stage/"
        Added=1
        break
      fi
    done
  done < <(find "$Stage" \( -name '*.exe' -o -name '*.dll' \) -exec x86_64-w64-mingw32-objdump -p {} + |
    sed -n 's/^\s*DLL Name: //p' | sort -u)
  [ "$Added" -eq 1 ] || break
done
# Qt's own dialog texts in the two languages (Debian's .qm files serve any platform).
cp /usr/share/qt6/translations/qtbase_{ko,en}.qm "$Stage/translations/"
printf '[Paths]\r\nPrefix = .\r\nPlugins = plugins\r\nTranslations = translations\r\n' >"$Stage/qt.conf"
QtSource=$QtCache/source
cp "$QtSource/qtbase/LICENSES/LGPL-3.0-only.txt" "$Stage/licenses/Qt-LGPL-3.0.txt"
cp "$QtSource/qtbase/LICENSES/GPL-3.0-only.txt" "$Stage/licenses/GPL-3.0.txt"
cp "$QtSource/qtbase/LICENSES/Qt-GPL-exception-1.0.txt" "$Stage/licenses/Qt-GPL-exception-1.0.txt"
for Licence in BSD-3-Clause MIT; do
  cp "$QtSource/qtbase/LICENSES/$Licence.txt" "$Stage/licenses/Qt-third-party-$Licence.txt"
done
for Library in freetype harfbuzz-ng libpng pcre2 zlib double-conversion md4c; do
  find "$QtSource/qtbase/src/3rdparty/$Library" -maxdepth 1 \( -iname '*licen[cs]e*' -o -iname 'COPYING*' \) |
    while read -r File; do cp "$File" "$Stage/licenses/$Library-$(basename "$File")"; done
done
cp "$QtSource/qtbase/src/3rdparty/freetype/docs/FTL.TXT" "$Stage/licenses/freetype-FTL.TXT"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$Stage/licenses/mingw-gcc-runtime.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$Stage/licenses/mingw-w64-winpthreads.txt"
sed -e "s/@VERSION@/$Version/" -e "s/@QTVERSION@/$QtVersion/g" packaging/windows/README.txt | sed 's/$/\r/' >"$Stage/README.txt"
(cd "$Build/zip" && zip -qr -X "$Root/$Zip" "$Package")
echo "--- $Zip: $(du -h "$Zip" | cut -f1), $(unzip -Z1 "$Zip" | grep -vc '/$') files"

# --- The zip, unpacked into a fresh prefix without the build folder on the path ------------
unset WINEPATH QT_PLUGIN_PATH
wineserver -k 2>/dev/null || true
ProofPrefix=$Scratch/proof-prefix
start_prefix "$ProofPrefix"
unzip -q "$Zip" -d "$ProofPrefix/drive_c"
Programs="C:\\$Package"
mkdir "$Scratch/proof"
mount -t tmpfs -o size=48m tmpfs "$Scratch/proof"
Mounts+=("$Scratch/proof")
ln -sfn "$Scratch/proof" "$WINEPREFIX/dosdevices/t:"
close_program  # the mount manager learns of T: at its start
echo "--- from the zip: varnell.exe --version"
Answer=$(timeout 60 wine "$Programs\\varnell.exe" --version </dev/null | tr -d '\r')
[ "$Answer" = "varnell $Version" ] || fail "varnell.exe --version answered \"$Answer\""
echo "$Answer"
echo "--- from the zip: varnell-drives.exe"
timeout 60 wine "$Programs\\varnell-drives.exe" </dev/null | tee "$Scratch/drives.txt"
grep -q '^T:' "$Scratch/drives.txt" || grep -q 'T:' "$Scratch/drives.txt" ||
  fail "varnell-drives.exe did not list T:"
echo "--- from the zip: varnell-cli.exe --plot on a 48 MiB tmpfs"
timeout 120 wine "$Programs\\varnell-cli.exe" -q -c -s 10 -l 4MiB --plot 'C:\x.png' 'T:\' </dev/null
Png=$ProofPrefix/drive_c/x.png
[ "$(head -c 8 "$Png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "varnell-cli.exe --plot wrote no PNG"
identify "$Png"
cp "$Png" "$Build/screenshots/zip-cli-plot.png"
[ -z "$(ls -A "$Scratch/proof")" ] || fail "varnell-cli.exe left files on T:"
echo "--- from the zip: the window opens"
wine "$Programs\\varnell.exe" --lang en </dev/null >/dev/null 2>&1 &
wait_window "^Settings\$" >/dev/null || fail "the zip's varnell.exe opened no window"
sleep 2
shot "zip-window"
close_program
echo "--- done: $Zip"
