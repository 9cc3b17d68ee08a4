#!/usr/bin/env bash
# The test command: installs what it needs, builds and runs every test in a
# Debug and a Release build, then the same tests again under AddressSanitizer
# and UndefinedBehaviorSanitizer, then the Windows program under Wine against a
# test kernel driver, compared scenario by scenario with the emulated desktop,
# and the conformance program under Wine, compared check by check with the
# emulated desktop. Warnings are errors in all of these builds.
set -euo pipefail
cd "$(dirname "$0")/.."

VINTOQ_WINE=1 scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVINTOQ_WERROR=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

# The optimiser sees more (and warns about more) than a Debug build; the
# benchmark's figures are those of this build.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVINTOQ_WERROR=ON
cmake --build build-release -j"$jobs"
ctest --test-dir build-release --output-on-failure -j"$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVINTOQ_SANITIZE=ON -DVINTOQ_WERROR=ON
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j"$jobs"

# Both Wine stacks: the x86-64 image, and the i686 image as Windows NT 4.0,
# 95, 98 and Win32s (or one line saying why that stack cannot run here).
VINTOQ_SIM=build/sim/vintoq32-sim VINTOQ_CONFORMANCE=build/tests/conformance/conformance \
    wine/run-tests.sh --arch all
