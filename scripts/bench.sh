#!/bin/bash
# Builds the release benchmarks and runs them all (or the ones named). Each
# prints, after Google Benchmark's lines, a table of its measures: the
# library's time, the hand-written SQL's, their ratio beside its target, the
# growth over the history sizes and "holds" or "MISSED". The script ends
# non-zero when a benchmark fails or misses a target.
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
# Each benchmark gets a home of its own, removed when it ends (also on
# failure); the backup histories are built once and shared through a cache.
home=""
cache="$(mktemp -d)"
export KEL_BENCH_CACHE="$cache"
trap '[ -n "$home" ] && rm -rf "$home"; rm -rf "$cache"' EXIT
status=0
for t in "${targets[@]}"; do
  echo "== $t"
  home="$(mktemp -d)"
  KEL_HOME="$home" "$BUILD/bench/$t" || status=1
  rm -rf "$home"
  home=""
done
exit $status
