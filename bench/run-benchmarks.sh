#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them.
# Usage: bench/run-benchmarks.sh [build folder]   (default: build-bench beside the sources)
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${1:-$source_dir/build-bench}"
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICTORELLE_BUILD_TESTS=OFF
ninja -C "$build_dir" benchmarks
# The level meter's live figures need a sound server. Without one, the test daemon stands in;
# its sine source delivers in 2-second blocks, unlike a microphone, so the meter reads a tone
# played into a null sink through that sink's monitor, which keeps the 20 ms fragments asked for.
if ! pactl info >/dev/null 2>&1; then
  pulse_dir=$(mktemp -d)
  if server=$("$source_dir/scripts/test-pulse.sh" start "$pulse_dir"); then
    export PULSE_SERVER="$server"
    trap '"$source_dir/scripts/test-pulse.sh" stop "$pulse_dir" >/dev/null 2>&1 || true; rm -rf "$pulse_dir"' EXIT
    pactl load-module module-null-sink sink_name=voice >/dev/null
    pactl load-module module-sine sink=voice frequency=440 >/dev/null
    export PULSE_SOURCE=voice.monitor
  fi
fi
# Every target of the "benchmarks" group is named *_bench.
for bench in "$build_dir"/bin/*_bench; do
  echo "== $(basename "$bench")"
  "$bench"
done
