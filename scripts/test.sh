#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: first the store, export and window tests
# in a Debug build with AddressSanitizer and UndefinedBehaviorSanitizer, then every test in the
# ordinary build (the real-display tests, the fuzzer's seeds and the benchmark's smoke run too).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${ORVANE_BUILD_DIR:-build}
ORVANE_BUILD_DIR="$build-sanitize" CMAKE_BUILD_TYPE=Debug ORVANE_CMAKE_ARGS=-DORVANE_SANITIZE=ON \
  scripts/build.sh
# The libraries' own leaks are not ours to report (tests/sanitizer-leaks.supp names them).
LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer-leaks.supp UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$build-sanitize" --output-on-failure --timeout 600 -j2
scripts/build.sh
ctest --test-dir "$build" --output-on-failure --timeout 600 -j2
