#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tintara need.
# Does nothing when everything is already there.
set -euo pipefail

packages=(
    cmake make g++ pkg-config
    qt6-base-dev qt6-image-formats-plugins libgl-dev libjpeg-dev libwebp-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core fonts-liberation xvfb xauth
)
if [ "${1:-}" = "--fuzz" ]; then
    packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
