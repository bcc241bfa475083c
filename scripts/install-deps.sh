#!/bin/bash
# Installs the Debian packages the build, tests and benchmarks need; skips the
# package index update when everything is already there.
set -euo pipefail
PACKAGES=(cmake make g++ clang libclang-rt-14-dev pkg-config libsqlite3-dev libboost-dev
          libsodium-dev libgtest-dev libbenchmark-dev sqlite3)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
