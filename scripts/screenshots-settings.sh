#!/bin/sh
# Renders the settings dialog's pages and its sub-dialogs to build/screenshots/*.png.
set -e
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build/dev}"
cmake --build "$build" --target ui_tests
mkdir -p build/screenshots
HOSTAQ_SCREENSHOTS_DIR="$PWD/build/screenshots" QT_QPA_PLATFORM=offscreen \
  "$build/tests/ui/ui_tests" --gtest_filter='SettingsScreenshots.*'
