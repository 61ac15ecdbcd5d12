#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the benchmarks and the package need.
# Safe to run again: packages already present are left alone.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  clang-format clang libclang-rt-14-dev
  libsqlite3-dev libxml2-dev
  qt6-base-dev qt6-base-dev-tools qt6-base-private-dev qt6-qpa-plugins qt6-translations-l10n
  libgl-dev
  libqcustomplot-dev
  fonts-wqy-microhei
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth imagemagick python3 python3-xlrd python3-olefile libreoffice-calc-nogui
  dpkg-dev desktop-file-utils appstream xdotool
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
