#!/usr/bin/env bash
# Installs the Debian packages Levelbook needs, then configures and builds it.
# Safe to run again: it installs only what is missing and rebuilds only what
# changed.
#
#   scripts/setup.sh [--tests] [build-folder] [extra cmake arguments...]
#
# Without --tests it installs what building and running need, and a new build
# folder is made without the tests; with --tests it installs the test tools as
# well and builds the tests.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
kind=run
if [ "${1:-}" = --tests ]; then
  kind=tests
  shift
fi
build=${1:-$here/build}
shift || true

bash "$here/scripts/packages.sh" "$kind"

if [ "$kind" = tests ]; then
  set -- -DLEVELBOOK_TESTS=ON "$@"
elif [ ! -f "$build/CMakeCache.txt" ]; then
  # A build folder that the test command made keeps its tests.
  set -- -DLEVELBOOK_TESTS=OFF "$@"
fi
cmake -S "$here" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build"
