#!/usr/bin/env bash
# Builds the two Debian packages of Hostaq Updater from these sources into build/packages/:
#   hostaq           the tray program (HOSTAQ_GUI=ON)
#   hostaq-headless  the program without a window and without Qt (HOSTAQ_GUI=OFF)
# Each is a release build in its own folder (build/pkg-gui, build/pkg-headless), compiled with
# Debian's hardening flags. Install one with: sudo apt install ./build/packages/hostaq_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CFLAGS CXXFLAGS LDFLAGS

out=build/packages
mkdir -p "$out"
build() {
    local dir=$1 gui=$2 package=$3
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOSTAQ_GUI="$gui" \
        -DHOSTAQ_TESTS=OFF -DHOSTAQ_BENCH=OFF -DHOSTAQ_FUZZ=OFF >/dev/null
    cmake --build "$dir"
    rm -f "$dir"/*.deb
    (cd "$dir" && cpack -G DEB >/dev/null)
    rm -f "$out/${package}"_*.deb
    cp "$dir/${package}"_*.deb "$out/"
}
build build/pkg-gui ON hostaq
build build/pkg-headless OFF hostaq-headless
ls -1 "$out"/*.deb
