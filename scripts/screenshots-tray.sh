#!/bin/sh
# Renders the tray icon set to build/screenshots/tray-*.png: one sheet on a dark and one on a
# light panel (each icon at 16, 22, 32 and 64 pixels, then 16 and 22 enlarged), and each icon
# at each size on its own. Builds the windows' tests first.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${PRESET:-dev}
out="$root/build/screenshots"
cd "$root"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target ui_tests
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen HOSTAQ_SCREENSHOTS_DIR="$out" \
    "$root/build/$preset/tests/ui/ui_tests" --gtest_filter='TrayScreenshots.*'
echo "Tray icons written to $out"
