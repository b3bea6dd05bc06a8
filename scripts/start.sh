#!/usr/bin/env bash
# Installs what is missing, builds Pivora and starts it. Files named here open in its list.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --desktop
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target pivora
exec build/pivora "$@"
