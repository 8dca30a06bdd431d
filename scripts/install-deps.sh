#!/usr/bin/env bash
# Installs what building, running and testing Varnell needs on Debian 12 (as root, or via sudo).
set -euo pipefail
Packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libgl-dev qt6-qpa-plugins
  # the windows' translations (lrelease) and Qt's own (qtbase_ko.qm for its dialogs)
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  fonts-nanum xvfb xauth
  clang clang-format libclang-rt-14-dev util-linux e2fsprogs fdisk
  libcli11-dev nlohmann-json3-dev
  fuse3 libfuse3-dev
  # the install tests' checkers
  desktop-file-utils appstream man-db bash-completion librsvg2-bin lintian
  # the documentation's example script
  python3
  # the fleet tests: promtool and a Prometheus server, the node exporter, systemd-analyze
  prometheus prometheus-node-exporter systemd
)
Missing=()
for Package in "${Packages[@]}"; do
  dpkg-query -W -f='${Status}' "$Package" 2>/dev/null | grep -q "install ok installed" || Missing+=("$Package")
done
if [ ${#Missing[@]} -eq 0 ]; then
  exit 0
fi
Sudo=""
[ "$(id -u)" -eq 0 ] || Sudo="sudo"
echo "Installing: ${Missing[*]}"
$Sudo apt-get update
DEBIAN_FRONTEND=noninteractive $Sudo apt-get install -y --no-install-recommends "${Missing[@]}"
