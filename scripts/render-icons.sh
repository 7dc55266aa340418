#!/usr/bin/env bash
# Renders the program's icon data/icons/hostaq.svg to the PNG sizes of the hicolor theme under
# data/icons/hicolor/. Run it after changing the SVG and commit the PNGs with it, so that a
# build needs no SVG renderer. Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "hicolor/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" hostaq.svg -o "hicolor/${size}x${size}/hostaq.png"
done
