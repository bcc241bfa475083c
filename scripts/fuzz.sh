#!/bin/bash
# Builds the libFuzzer targets with clang and runs each for a while:
#   bash scripts/fuzz.sh [seconds per target, default 60] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
SECONDS_EACH="${1:-60}"
shift || true
BUILD=build/fuzz
LAUNCHER=()
if command -v ccache >/dev/null; then
  LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEL_FUZZ=ON -DKEL_TESTS=OFF \
  "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD" -j"${KEL_JOBS:-$(nproc)}"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
# The drivers make their homes under TMPDIR; a crash leaves them, so the run
# removes them all when it ends.
TMPDIR="$(mktemp -d)"
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
for t in "${targets[@]}"; do
  echo "== $t for ${SECONDS_EACH}s"
  # A target's dictionary (fuzz/<target>.dict) names the pieces its input is made of.
  dict=()
  if [ -f "fuzz/$t.dict" ]; then dict=(-dict="fuzz/$t.dict"); fi
  "$BUILD/fuzz/$t" -max_total_time="$SECONDS_EACH" -max_len=8192 "${dict[@]}"
done
