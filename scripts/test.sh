#!/bin/bash
# Builds the library and its tests under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the whole suite; then builds everything
# (tests and benchmarks included) with clang, warnings as errors, installs
# that build and builds and runs a project outside the tree against it.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
bash scripts/install-deps.sh
JOBS=$(nproc)
# ccache speeds up a rebuild where it is installed; nothing needs it.
LAUNCHER=()
if command -v ccache >/dev/null; then
  LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

BUILD=build/asan
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DKEL_SANITIZE=ON -DKEL_TESTS=ON "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD" -j"$JOBS"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TZ=UTC
(cd "$BUILD" && ctest --output-on-failure -j"$JOBS" --timeout 300) | tee build/ctest.log

# clang, warnings as errors: the tests and benchmarks compile too (they are
# not run again here, so no debug information is written for them).
CLANG=build/clang
cmake -S . -B "$CLANG" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG=-O0 -DCMAKE_CXX_FLAGS_DEBUG=-O0 \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DKEL_WERROR=ON -DKEL_TESTS=ON -DKEL_BENCH=ON "${LAUNCHER[@]}" >/dev/null
cmake --build "$CLANG" -j"$JOBS"

# The installed library, used from outside the tree.
STAGE=$ROOT/build/stage
rm -rf "$STAGE" build/consumer
cmake --install "$CLANG" --prefix "$STAGE" >/dev/null
cmake -S examples/consumer -B build/consumer -DCMAKE_PREFIX_PATH="$STAGE" >/dev/null
cmake --build build/consumer -j"$JOBS"
CONSUMER_HOME=$(mktemp -d)
trap 'rm -rf "$CONSUMER_HOME"' EXIT
KEL_HOME=$CONSUMER_HOME build/consumer/kel-consumer
echo "clang -Werror build, install and consumer: done"
# The suite's summary closes the run.
grep -A2 'tests passed' build/ctest.log
