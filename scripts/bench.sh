#!/usr/bin/env bash
# Builds the program with the benchmarks (release-like, with debug info) and
# runs them all, in one go:
#   * every user action through its real window at 100, 3,653 and 36,525
#     dates, each beside its floor where it has one, the sizes and the
#     program and its floor interleaved round by round (ROUNDS, 21 by
#     default): bench-results/actions.md;
#   * the actions that change the diary again with the diaries in memory,
#     where a commit's flush costs nothing: bench-results/actions-memory.md;
#   * the start-up and memory figures, each start-up beside its floor:
#     bench-results/startup.txt;
#   * a year of a sensor's export imported (read, placed, previewed, written,
#     and through `levelbook import`), with peak memory:
#     bench-results/meter.md.
# A whole run then writes its tables into the performance log,
# docs/PERFORMANCE.md (scripts/performance-log.sh). Arguments go to the first
# run (say --only Report,Add), which is then the only one and writes no log.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh bench
build=${BUILD_DIR:-build-bench}
rounds=${ROUNDS:-21}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEVELBOOK_TESTS=ON -DLEVELBOOK_BENCH=ON >/dev/null
ninja -C "$build" lb_bench_actions lb_bench_startup lb_bench_meter levelbook levelbook-gen
mkdir -p bench-results
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"$build/bin/lb_bench_actions" --rounds "$rounds" "$@" | tee bench-results/actions.md
[ $# -eq 0 ] || exit 0

if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  TMPDIR=/dev/shm "$build/bin/lb_bench_actions" --rounds "$rounds" --changes | tee bench-results/actions-memory.md
else
  rm -f bench-results/actions-memory.md # not of this run: the log keeps its older tables
fi
"$build/bin/lb_bench_startup" "$rounds" | tee bench-results/startup.txt
"$build/bin/lb_bench_meter" --rounds "$rounds" | tee bench-results/meter.md
bash scripts/performance-log.sh bench-results docs/PERFORMANCE.md "$rounds"
