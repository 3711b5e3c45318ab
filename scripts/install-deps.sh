#!/usr/bin/env bash
# Installs, with apt-get, the Debian 12 packages the build and the tests need (only what is missing).
set -euo pipefail
pkgs=(qt6-base-dev qt6-base-dev-tools libtiff-dev libjpeg-dev libpng-dev zlib1g-dev libgif-dev gettext
      ninja-build cmake g++ xvfb xauth desktop-file-utils libglib2.0-bin)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
