#!/usr/bin/env bash
# Installs what building, running and testing Tintara need, with apt-get on Debian and its
# derivatives, and only what is missing. Elsewhere it installs nothing and names what to install.
#   scripts/install-deps.sh [--fuzz | --bench]
set -euo pipefail

packages=(
    cmake make g++ pkg-config
    qt6-base-dev qt6-base-private-dev qt6-image-formats-plugins libgl-dev libjpeg-dev libwebp-dev
    libheif-dev libjxl-dev libtiff-dev liblcms2-dev libxxhash-dev libpng-dev libgs-common
    # Films' frames, and ffmpeg, which makes the tests' films.
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev ffmpeg
    # Other programs' encoders, which the tests' pictures come from, and their decoders, which
    # the benchmarks run side by side with ours.
    libheif-examples libavif-bin libjxl-tools libjpeg-turbo-progs webp imagemagick netpbm
    libgtest-dev libgmock-dev libbenchmark-dev
    # The Python module and its tests.
    python3-dev pybind11-dev python3-numpy python3-pytest
    fonts-dejavu-core fonts-liberation xvfb xauth
    desktop-file-utils appstream dpkg-dev
    weston qt6-wayland lintian devscripts
    # The engines the batch's cluster recipes run on, tested for real: a one-node Slurm on
    # loopback, with munge for its authentication, and GNU Parallel.
    slurm-wlm munge parallel
)
if [ "${1:-}" = "--fuzz" ]; then
    # Any clang with libFuzzer will do; Debian 12's is clang 14.
    if ! compgen -c clang++ | grep -qE '^clang\+\+(-1[4-9])?$'; then
        packages+=(clang-14 libclang-rt-14-dev)
    fi
fi

if [ "${1:-}" = "--bench" ]; then
    # The Python benchmark's peer, scikit-image's block_reduce.
    packages+=(python3-skimage)
fi

if ! command -v apt-get >/dev/null || ! command -v dpkg-query >/dev/null; then
    missing=()
    for tool in cmake make c++ pkg-config desktop-file-validate appstreamcli; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    pkg-config --exists Qt6Widgets libjpeg libwebp libtiff-4 lcms2 libxxhash libpng 2>/dev/null ||
        missing+=("Qt 6 Widgets, libjpeg, libwebp, libtiff, lcms2, xxHash and libpng development files")
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Not a Debian system: install these with your package manager, then run make again: ${missing[*]}" \
             "(plus GoogleTest, Google Benchmark and Qt 6's image format plugins)"
    fi
    exit 0
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
