#!/usr/bin/env bash
# Builds the program and every test with AddressSanitizer and
# UndefinedBehaviorSanitizer in a build folder of its own (build-asan) and runs
# the whole suite there. Any report of either sanitizer fails the run.
#
#   scripts/test-sanitizers.sh [build-folder]
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/packages.sh" tests
build=${1:-$here/build-asan}
sanitize="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"

cmake -S "$here" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DCMAKE_CXX_FLAGS="$sanitize" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitize" >/dev/null
cmake --build "$build"

# Leaks count too.
export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:detect_invalid_pointer_pairs=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build"
# The start-up and typing tests run the real program under a private X server
# (the typing test on the accessibility bus too); the ordinary run covers them. The printing tests
# are checked for leaks like the rest.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 -E "^(tst_startup|tst_typing)$"
