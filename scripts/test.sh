#!/usr/bin/env bash
# Sets up (packages, configure, build) and runs the whole test suite:
#  1. the full build with every test (headless and widget tests offscreen), with warnings as errors;
#  2. the logic library and its headless tests again under AddressSanitizer + UndefinedBehaviorSanitizer;
#  3. the search tests under ThreadSanitizer.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"

DUOVUE_CMAKE_ARGS="-DDUOVUE_WERROR=ON -DDUOVUE_BENCH=ON" "$here/scripts/setup.sh" --tests "$here/build"

status=0
echo "== tests"
(cd "$here/build" && ctest --output-on-failure -j"$jobs") || status=1

if command -v clang-format-14 >/dev/null || command -v clang-format >/dev/null; then
    echo "== format check"
    cmake --build "$here/build" --target format-check || status=1
fi

echo "== headless tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$here" -B "$here/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DDUOVUE_SANITIZE=ON -DDUOVUE_CORE_ONLY=ON -DDUOVUE_BENCH=OFF -DDUOVUE_WERROR=ON >/dev/null
cmake --build "$here/build-asan" -j"$jobs"
(cd "$here/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j"$jobs" -L headless) || status=1

if [ -f "$here/tests/search/CMakeLists.txt" ]; then
    echo "== search tests under ThreadSanitizer"
    cmake -S "$here" -B "$here/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DDUOVUE_TSAN=ON -DDUOVUE_CORE_ONLY=ON -DDUOVUE_BENCH=OFF >/dev/null
    cmake --build "$here/build-tsan" -j"$jobs" --target tests-search
    (cd "$here/build-tsan" && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 die_after_fork=0" \
        ctest --output-on-failure -L search) || status=1
fi

if [ "$status" -eq 0 ]; then
    echo "All test stages passed."
else
    echo "Some test stages FAILED."
fi
exit "$status"
