#!/usr/bin/env bash
# The conformance program (tests/conformance) as a Windows program under
# Wine, compared line by line with the same program on the emulated desktop.
# Run by run-tests.sh inside its Wine session (prefix, display, driver
# service); not meant to be run alone.
#
#   wine/conformance.sh EMULATED-PROGRAM
#
# Outputs: build-wine/results/conformance.{wine,emulator}.txt (the two
# reports) and conformance.txt (the comparison); exit code 0 when the two
# agree everywhere but on the known differences.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build-wine
emulated=$1
mkdir -p "$build/results" "$build/work"

if [ ! -f "$build/win-x86_64/build.ninja" ]; then
    cmake -S . -B "$build/win-x86_64" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake > "$build/work/cmake.out"
fi
cmake --build "$build/win-x86_64" -j"$(nproc)" --target conformance \
    > "$build/work/conformance-build.out" || { cat "$build/work/conformance-build.out" >&2; exit 1; }

# The program's keys as fixture.reg has them, and the test driver with its
# default answers (no configuration left by a scenario).
wine reg delete 'HKCU\Software\VintoqConformance' /f > "$build/work/conformance-setup.out" 2>&1 || true
wine reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\Dravix\Test' /f \
    >> "$build/work/conformance-setup.out" 2>&1 || true
wine regedit /S "$(winepath -w tests/conformance/fixture.reg)" >> "$build/work/conformance-setup.out" 2>&1

# The exit codes count the checks that depart from the documentation; the
# comparison below judges them.
timeout 120 wine "$build/win-x86_64/tests/conformance/conformance.exe" \
    > "$build/results/conformance.wine.txt" 2> "$build/work/conformance-wine.err" || true
"$emulated" > "$build/results/conformance.emulator.txt" || true
python3 tests/conformance/compare.py "$build/results/conformance.wine.txt" \
    "$build/results/conformance.emulator.txt" tests/conformance/known_differences.txt |
    tee "$build/results/conformance.txt"
