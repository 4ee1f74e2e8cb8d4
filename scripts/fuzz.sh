#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/) with clang-14 and libFuzzer in their own
# build folder and runs each: first every input of its saved corpus
# (fuzz/corpus/<target>, and fuzz/regressions/<target> where there is one), then
# new inputs for a bounded time. A crash, a hang (10 s on one input), a leak or
# any sanitizer report fails the run and leaves the input in the build folder
# as crash-<target>-*.
#
#   scripts/fuzz.sh                       about 30 s per target
#   LEVELBOOK_LONG_TESTS=1 scripts/fuzz.sh   an hour per target
#   LEVELBOOK_FUZZ_SECONDS=<n> scripts/fuzz.sh   n seconds per target
#
# New inputs that reach new code are kept in <build>/corpus/<target>; copy the
# useful ones into fuzz/corpus/<target> to keep them.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/packages.sh" tests
build=${LEVELBOOK_FUZZ_BUILD:-$here/build-fuzz}
seconds=${LEVELBOOK_FUZZ_SECONDS:-}
if [ -z "$seconds" ]; then
  if [ -n "${LEVELBOOK_LONG_TESTS:-}" ]; then seconds=3600; else seconds=30; fi
fi

CC=clang-14 CXX=clang++-14 cmake -S "$here/fuzz" -B "$build" -G Ninja >/dev/null
cmake --build "$build"

fuzz() { # target max-len saved-corpus-folders...
  local target=$1 maxlen=$2
  shift 2
  local found=$build/corpus/$target log=$build/fuzz_$target.log
  local saved=()
  for d in "$@" "$here/fuzz/regressions/$target"; do
    [ -d "$d" ] && saved+=("$d")
  done
  mkdir -p "$found"
  if ! "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$maxlen" \
      -use_value_profile=1 -print_final_stats=1 -artifact_prefix="$build/crash-$target-" \
      "$found" "${saved[@]}" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$target FAILED; the input is in $build/crash-$target-*" >&2
    return 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
  echo "fuzz_$target: $runs runs in ${seconds} s, $cov edges of the program's own code, no fault"
}

fuzz diary 16384 "$here/fuzz/corpus/diary"
fuzz backup_cfg 300 "$here/fuzz/corpus/backup_cfg"
fuzz salvage 16384 "$here/fuzz/corpus/salvage" "$here/fuzz/corpus/diary"
fuzz reads 16384 "$here/fuzz/corpus/reads" "$here/fuzz/corpus/diary"
fuzz csv 16384 "$here/fuzz/corpus/csv"
fuzz meter 16384 "$here/fuzz/corpus/meter"
