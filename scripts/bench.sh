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
# Each benchmark gets a home of its own, removed when it ends (also on failure).
home=""
trap '[ -n "$home" ] && rm -rf "$home"' EXIT
for t in "${targets[@]}"; do
  echo "== $t"
  home="$(mktemp -d)"
  KEL_HOME="$home" "$BUILD/bench/$t"
  rm -rf "$home"
  home=""
done
