#!/usr/bin/env bash
# Installs the Debian packages Tolvane needs to build, test and run, when any
# is missing. Runs apt-get as root, or through sudo.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config dpkg-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev libqt6opengl6-dev libxkbcommon-dev qt6-translations-l10n
          libgl-dev libglu1-mesa-dev
          xvfb xauth libgl1-mesa-dri fonts-dejavu-core)
# The fonts a desktop with FreeCAD or Inkscape has: with them the dialogs'
# fields draw their digits in other fonts than the bare system's, and the
# window tests check that a ten-digit value still fits.
packages+=(fonts-dejavu-extra fonts-droid-fallback fonts-lyx fonts-noto-mono fonts-urw-base35)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get -o DPkg::Lock::Timeout=900 update -qq
$sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
