#!/usr/bin/env bash
# Installs the Debian packages Hostaq Updater needs to build, run and test; does nothing when
# they are all present. Runs apt-get as root, or through sudo otherwise.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libssl-dev libsystemd-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  tinyproxy python3 python3-aiosmtpd dbus-daemon
  ccache
  # the tray program and its tests
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins libx11-dev libxcb1-dev
  xvfb xauth trayer xdotool x11-utils fonts-dejavu-core
  # systemd-analyze, which checks the generated service unit
  systemd
  # setfacl, for the tests of what a service trusts
  acl
  # building the Debian packages and checking them
  dpkg-dev lintian desktop-file-utils appstream man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
