#!/usr/bin/env bash
# Installs the Debian packages Levelbook needs to build, run and be tested,
# then configures and builds it. Safe to run again: it installs only what is
# missing and rebuilds only what changed.
#
#   scripts/setup.sh [build-folder] [extra cmake arguments...]
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
shift || true

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libgl-dev
  libsqlite3-dev sqlite3
  libpoppler-qt6-dev
  fonts-liberation fonts-dejavu-core
  libchm-dev fp-utils-3.2.2
  cups cups-client cups-bsd printer-driver-cups-pdf
  clang-14 libfuzzer-14-dev libclang-rt-14-dev
  xvfb xauth imagemagick poppler-utils
  desktop-file-utils appstream xdotool file dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
fi

cmake -S "$here" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build"
