#!/usr/bin/env bash
# Installs what Duovue needs on Debian 12 (when missing) and configures and builds it.
# Usage: scripts/setup.sh [--tests] [build-dir]   (run as root or with sudo for the package step)
#   --tests   also install what only the tests, benchmarks and fuzzers use, and configure the
#             build tree again even when it is configured (DUOVUE_CMAKE_ARGS may have changed)
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
tests=0
if [ "${1:-}" = "--tests" ]; then
    tests=1
    shift
fi
build="${1:-$here/build}"

# Building and running the program.
packages=(
    build-essential cmake ninja-build pkg-config ccache help2man
    qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libxcb1-dev libqt6sql6-sqlite
    libjpeg62-turbo-dev zlib1g-dev
    fonts-noto-cjk qt6-translations-l10n
    shared-mime-info desktop-file-utils xdg-utils
)
# The tests (metadata validation, sanitizers), the benchmarks' yardsticks and trying the program
# under a virtual display.
if [ "$tests" -eq 1 ]; then
    packages+=(
        appstream clang libclang-rt-14-dev
        xvfb xauth xdotool imagemagick x11-utils
        libjpeg-turbo-progs jdupes
    )
fi

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

# A configured tree reconfigures itself when a CMakeLists.txt changes; only the test script, whose
# options may differ from the last run's, configures it again on purpose.
if [ "$tests" -eq 1 ] || [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${DUOVUE_CMAKE_ARGS:-}
fi
cmake --build "$build" -j"$(nproc)"
