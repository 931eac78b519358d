#!/usr/bin/env bash
# Sets up (packages, configure, build) and runs the whole test suite:
#  1. the full build with every test (headless and widget tests offscreen), with warnings as errors;
#  2. the logic library and its headless tests again under AddressSanitizer + UndefinedBehaviorSanitizer;
#  3. the search tests under ThreadSanitizer.
# Each step's wall and processor time is printed at the end.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"

timings=()
# step NAME COMMAND...: runs the command, records its times; a failure marks the run failed.
status=0
step() {
    local name=$1
    shift
    local start=$SECONDS before after
    before=$(cpu_seconds)
    "$@" || status=1
    after=$(cpu_seconds)
    timings+=("$(printf '%-28s %5d s wall %6d s processor' "$name" $((SECONDS - start)) $((after - before)))")
}
# The processor seconds of this shell's finished children so far.
cpu_seconds() {
    times | awk 'NR == 2 { split($1, u, /[ms]/); split($2, s, /[ms]/); printf "%d\n", u[1] * 60 + u[2] + s[1] * 60 + s[2] }'
}

setup() { DUOVUE_CMAKE_ARGS="-DDUOVUE_WERROR=ON -DDUOVUE_BENCH=ON -DDUOVUE_LINE_TABLES=ON" "$here/scripts/setup.sh" --tests "$here/build"; }
step "packages and build" setup
[ "$status" -eq 0 ] || { echo "Building failed."; exit 1; }

echo "== tests"
step "tests" sh -c "cd '$here/build' && ctest --output-on-failure -j$jobs"

if command -v clang-format-14 >/dev/null || command -v clang-format >/dev/null; then
    echo "== format check"
    step "format check" cmake --build "$here/build" --target format-check
fi

echo "== headless tests under AddressSanitizer and UndefinedBehaviorSanitizer"
asan_build() {
    cmake -S "$here" -B "$here/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DDUOVUE_SANITIZE=ON -DDUOVUE_CORE_ONLY=ON -DDUOVUE_BENCH=OFF -DDUOVUE_WERROR=ON -DDUOVUE_LINE_TABLES=ON >/dev/null &&
        cmake --build "$here/build-asan" -j"$jobs"
}
step "sanitizer build" asan_build
step "sanitizer tests" sh -c "cd '$here/build-asan' && ASAN_OPTIONS=detect_leaks=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j$jobs -L headless"

if [ -f "$here/tests/search/CMakeLists.txt" ]; then
    echo "== search tests under ThreadSanitizer"
    tsan_build() {
        cmake -S "$here" -B "$here/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
            -DDUOVUE_TSAN=ON -DDUOVUE_CORE_ONLY=ON -DDUOVUE_BENCH=OFF -DDUOVUE_LINE_TABLES=ON >/dev/null &&
            cmake --build "$here/build-tsan" -j"$jobs" --target tests-search
    }
    step "thread sanitizer build" tsan_build
    step "thread sanitizer tests" sh -c "cd '$here/build-tsan' && \
        TSAN_OPTIONS='halt_on_error=1 second_deadlock_stack=1 die_after_fork=0' ctest --output-on-failure -L search"
fi

echo "== times"
printf '%s\n' "${timings[@]}"
if [ "$status" -eq 0 ]; then
    echo "All test stages passed."
else
    echo "Some test stages FAILED."
fi
exit "$status"
