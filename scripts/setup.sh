#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need; quick when they are there.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libsdl2-mixer-dev libsdl2-image-dev libphysfs-dev libpng-dev
  libfreetype-dev fonts-dejavu-core lame zip
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xfonts-base xdotool x11-utils imagemagick
)
if [ "${1:-}" = "--runtime-only" ]; then :; fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
