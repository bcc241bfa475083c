#!/bin/bash
# Builds the release library and runs the end-to-end example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD=build/release
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DKEL_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
export KEL_HOME="${KEL_HOME:-$PWD/kel-home}"
# The installation's step: the key the Ostrel and its agents prove themselves
# with (kept when the home already holds one).
"$BUILD/bin/kel-key" create
"$BUILD/examples/kel-example"
