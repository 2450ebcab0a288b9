#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them.
# Usage: bench/run-benchmarks.sh [build folder]   (default: build-bench beside the sources)
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${1:-$source_dir/build-bench}"
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICTORELLE_BUILD_TESTS=OFF
ninja -C "$build_dir" benchmarks
# Every target of the "benchmarks" group is named *_bench.
for bench in "$build_dir"/bin/*_bench; do
  echo "== $(basename "$bench")"
  "$bench"
done
