#!/usr/bin/env bash
# Runs every test of a configured and built tree: ./scripts/run-tests.sh [BUILD]
# Starts the services the tests need first; with CI=true a service that cannot
# start fails the run instead of skipping its tests.
set -euo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen
# A hung test fails after 5 minutes instead of holding the whole run.
ctest --test-dir "$build" --output-on-failure --timeout 300 -j "$(nproc)"
