#!/bin/sh
# Renders the group editor, its small dialogs and every page of the setup wizard to PNG files
# under build/screenshots/ (offscreen; needs a dev build of ui_tests).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build/screenshots"
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen HOSTAQ_SCREENSHOTS_DIR="$out" \
  "$root/build/dev/tests/ui/ui_tests" --gtest_filter='ScreenshotsEditor.*'
echo "screenshots in $out"
