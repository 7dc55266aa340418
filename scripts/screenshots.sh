#!/bin/sh
# Renders every page and dialog of the tray program to PNG files under build/screenshots/ on the
# offscreen platform. Each window family adds a Screenshots* test to the windows' test program.
set -eu
cd "$(dirname "$0")/.."
cmake --preset dev >/dev/null
cmake --build --preset dev --target ui_tests
out="$PWD/build/screenshots"
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen HOSTAQ_SCREENSHOTS_DIR="$out" \
  build/dev/tests/ui/ui_tests --gtest_filter='*Screenshots*'
ls "$out"/*.png
