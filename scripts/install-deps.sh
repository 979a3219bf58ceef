#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and benchmarking need,
# but only those that are missing, so a second run costs nothing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-qpa-plugins
    qt6-translations-l10n
    libcurl4-openssl-dev
    nginx-light tinyproxy curl wget time
    python3
    xvfb xdotool openbox x11-utils imagemagick fonts-ipafont-gothic
    desktop-file-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
