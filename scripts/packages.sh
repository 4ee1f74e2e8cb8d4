#!/usr/bin/env bash
# Installs the Debian packages that one kind of work on Levelbook needs, and
# only those that are missing. Safe to run again.
#
#   scripts/packages.sh run      building and running the program
#   scripts/packages.sh tests    the above, and the test tools: the PDF reader,
#                                the private print server, the fuzzing
#                                compiler, the X server, the desktop validators
#   scripts/packages.sh bench    the above, and Google Benchmark
#
# A person who only wants to use the program gets no test tools. Packages are
# installed without their recommendations, so every package that the build or
# a test needs is named here, even one that usually comes along.
set -euo pipefail

run=(
  build-essential cmake ninja-build pkg-config
  # Qt Charts' CMake package needs Qt OpenGL's, which qt6-base-dev only
  # recommends.
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev libgl-dev
  libsqlite3-dev
  # The help file: its reader, the compiler that makes it from help/, and
  # proot, in which the compiler sees its folder as "/".
  libchm-dev fp-utils-3.2.2 proot
  # The fonts the printed report and chart are laid out with.
  fonts-liberation fonts-dejavu-core
)
tests=(
  sqlite3 libpoppler-qt6-dev poppler-utils
  # The private print server of the printing tests: CUPS, its filters, the
  # PDF printer's driver description, and Ghostscript to make the PDF.
  cups cups-client cups-bsd cups-filters printer-driver-cups-pdf ghostscript
  clang-14 libfuzzer-14-dev libclang-rt-14-dev
  # The layout check of the test script.
  clang-format
  xvfb xauth imagemagick xdotool
  # The typing test reads the program's windows through the accessibility
  # bus, on a private session bus.
  dbus-daemon at-spi2-core python3-pyatspi python3-gi gir1.2-atspi-2.0
  desktop-file-utils appstream file dpkg-dev
  # The standard day's figures are checked against Python's statistics module.
  python3
)
bench=(libbenchmark-dev)

case "${1:-}" in
  run) packages=("${run[@]}") ;;
  tests) packages=("${run[@]}" "${tests[@]}") ;;
  bench) packages=("${run[@]}" "${tests[@]}" "${bench[@]}") ;;
  *) echo "usage: $0 run|tests|bench" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
