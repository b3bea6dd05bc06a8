#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIVORA_WERROR=ON -DPIVORA_BUILD_TESTS=ON
cmake --build build -j"$(nproc)"
cd build
ctest --output-on-failure --timeout 900
