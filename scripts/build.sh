#!/usr/bin/env bash
# Configures and builds Orvane in build/ (or $ORVANE_BUILD_DIR); $ORVANE_CMAKE_ARGS adds options.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ORVANE_BUILD_DIR:-build}
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE:-RelWithDebInfo} ${ORVANE_CMAKE_ARGS:-}
cmake --build "$build"
