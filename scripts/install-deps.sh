#!/usr/bin/env bash
# Installs what building, running and testing Pivora needs on Debian 12, and nothing more.
# Usage: scripts/install-deps.sh [--desktop]
#   --desktop  also what a desktop session needs to open folders and play the end sound
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    qt6-base-dev qt6-svg-dev libgl-dev
    libcanberra-dev
    ffmpeg
    fonts-wqy-microhei
    libgtest-dev
    xvfb xauth
)
if [[ "${1:-}" == "--desktop" ]]; then
    packages+=(libcanberra-pulse xdg-utils sound-theme-freedesktop)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if ((${#missing[@]} == 0)); then
    exit 0
fi

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
