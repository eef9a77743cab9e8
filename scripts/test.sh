#!/usr/bin/env bash
# Builds everything (release) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
ctest --preset release
