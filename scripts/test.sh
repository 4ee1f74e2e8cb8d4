#!/usr/bin/env bash
# Sets up Levelbook (packages, build with warnings as errors) and runs the
# whole test suite.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" --tests "$here/build" -DLEVELBOOK_WERROR=ON
# The code keeps the layout of .clang-format; a file that is not in it fails
# the run before any test does.
find "$here"/{src,tests,bench,fuzz,tools,help} \( -name '*.cpp' -o -name '*.h' \) -print0 \
  | xargs -0 clang-format --dry-run --Werror
cd "$here/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
# Kills, hostile input and full disks run above with the suite; then the
# whole suite again under the address and undefined-behaviour sanitizers, and
# the fuzz targets for a bounded time (see docs/RELIABILITY.md).
bash "$here/scripts/test-sanitizers.sh"
bash "$here/scripts/fuzz.sh"
