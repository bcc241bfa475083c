#!/bin/bash
# Builds the release benchmarks and runs them all (or the ones named).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD=build/bench
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DKEL_TESTS=OFF -DKEL_BENCH=ON >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in bench/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
export TZ=UTC
for t in "${targets[@]}"; do
  echo "== $t"
  KEL_HOME="$(mktemp -d)" "$BUILD/bench/$t"
done
