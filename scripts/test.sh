#!/usr/bin/env bash
# Installs what is missing, builds the debug preset and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
ctest --preset dev -j2
