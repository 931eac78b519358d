#!/usr/bin/env bash
# Installs what Duovue needs on Debian 12 (when missing) and configures and builds it.
# Usage: scripts/setup.sh [build-dir]   (run as root or with sudo for the package step)
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libxcb1-dev libqt6sql6-sqlite
    libjpeg62-turbo-dev libjpeg-turbo-progs zlib1g-dev
    fonts-noto-cjk qt6-translations-l10n
    xvfb xauth xdotool imagemagick x11-utils
    clang libclang-rt-14-dev
    desktop-file-utils appstream shared-mime-info
    jdupes ccache
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ "${#missing[@]}" -gt 0 ]; then
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
    echo "setup: installing ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${DUOVUE_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"
