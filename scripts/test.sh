#!/usr/bin/env bash
# Sets up Levelbook (packages, build with warnings as errors) and runs the
# whole test suite.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh" "$here/build" -DLEVELBOOK_WERROR=ON
cd "$here/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
