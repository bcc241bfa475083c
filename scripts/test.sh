#!/bin/bash
# Builds the library and its tests under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD=build/asan
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DKEL_SANITIZE=ON -DKEL_TESTS=ON >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TZ=UTC
cd "$BUILD"
ctest --output-on-failure -j"$(nproc)" --timeout 300
