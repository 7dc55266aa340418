#!/usr/bin/env bash
# Installs what is missing, builds the release program and starts it. Arguments are passed on
# (for example: scripts/run.sh --headless my.ini).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target hostaq
exec ./build/release/src/app/hostaq "$@"
