#!/usr/bin/env bash
# Runs every test of a configured and built tree: ./scripts/run-tests.sh [BUILD]
# Starts the services the tests need first; with CI=true a service that cannot
# start fails the run instead of skipping its tests.
set -euo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
