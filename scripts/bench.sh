#!/usr/bin/env bash
# Sets up, builds the benchmarks in Release and runs them, printing medians of 5 repetitions.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DORN_TESTS=OFF -DORN_BENCH=ON >/dev/null
cmake --build build-bench
for b in build-bench/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
done
