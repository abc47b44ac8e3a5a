#!/usr/bin/env bash
# Builds the benchmarks in the normal build tree and runs each one; prints their figures.
# Usage: tools/bench.sh [extra Google Benchmark flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
tools/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
for program in build/bin/*_bench; do
  echo "== ${program##*/}"
  "$program" --benchmark_min_time=0.5 "$@"
done
