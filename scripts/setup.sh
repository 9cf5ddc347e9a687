#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Quorvane needs.
# Idempotent: installs only what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libxkbcommon-dev
  librtmidi-dev libjack-jackd2-dev jackd2 jack-tools pipewire pipewire-jack
  liblo-dev liblo-tools
  qt6-httpserver-dev qt6-websockets-dev libqrencode-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang clang-format clang-tidy libclang-rt-14-dev
  xvfb xauth trayer jack-keyboard libxcb1-dev
  chromium chromium-driver python3-selenium
  dpkg-dev lintian desktop-file-utils appstream
  libxml2-utils shared-mime-info xdg-utils libglib2.0-bin imagemagick
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
