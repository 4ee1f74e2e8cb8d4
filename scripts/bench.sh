#!/usr/bin/env bash
# Builds the program with the benchmarks (release-like, with debug info) and
# runs them all: every user action at 100, 3,653 and 36,525 days, then the
# start-up and memory figures. Results go to bench-results/ as well.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/packages.sh bench
build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEVELBOOK_TESTS=ON -DLEVELBOOK_BENCH=ON >/dev/null
ninja -C "$build" lb_bench_actions lb_bench_startup levelbook-gen
mkdir -p bench-results
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
"$build/bin/lb_bench_actions" --benchmark_out=bench-results/actions.json --benchmark_out_format=json "$@" \
  | tee bench-results/actions.txt
"$build/bin/lb_bench_startup" | tee bench-results/startup.txt
python3 bench/table.py bench-results/actions.json | tee bench-results/table.md
# Each action beside its floor (the bare engine doing the same work), in the
# same process, the 100- and 36,525-date diaries interleaved round by round.
"$build/bin/lb_bench_actions" --floors 11 | tee bench-results/floors.md

# The changing actions again with the diaries in memory, where a commit's
# flush to the disk costs nothing: what is left is the program's own work.
if [ -d /dev/shm ] && [ -w /dev/shm ] && [ $# -eq 0 ]; then
  TMPDIR=/dev/shm "$build/bin/lb_bench_actions" --benchmark_filter='BM_(Add|EditReplace|DeleteCurrentDate|DeleteBeforeHalf)/' \
    --benchmark_out=bench-results/actions-memory.json --benchmark_out_format=json | tee bench-results/actions-memory.txt
  python3 bench/table.py bench-results/actions-memory.json | tee bench-results/table-memory.md
  TMPDIR=/dev/shm "$build/bin/lb_bench_actions" --floors 11 | tee bench-results/floors-memory.md
fi
