#!/usr/bin/env bash
# The conformance program (tests/conformance) as a Windows program under
# Wine, compared line by line with the same program on the emulated desktop.
# Run by stack.sh inside its Wine session (prefix, display, driver service,
# VINTOQ_WINE_LOADER); not meant to be run alone.
#
#   wine/conformance.sh EMULATED-PROGRAM [ARCH]
#
# ARCH: x86_64 (default) or i686, built beside the image that ships
# (build-win-ARCH); the i686 one runs as Windows NT 4.0. Outputs:
# build-wine/results/conformance-ARCH.{wine,emulator}.txt (the two reports)
# and conformance-ARCH.txt (the comparison); exit code 0 when the two agree
# everywhere but on the known differences.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build-wine
emulated=$1
arch=${2:-x86_64}
wine=${VINTOQ_WINE_LOADER:-wine}
work=$build/work/$arch
results=$build/results/conformance-$arch
mkdir -p "$build/results" "$work"

dir=$PWD/build-win-$arch
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DVINTOQ_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-$arch.cmake" > "$work/cmake-conformance.out"
fi
cmake --build "$dir" -j"$(nproc)" --target conformance \
    > "$work/conformance-build.out" || { cat "$work/conformance-build.out" >&2; exit 1; }

# The program's keys as fixture.reg has them, and the test driver with its
# default answers (no configuration left by a scenario).
$wine reg delete 'HKCU\Software\VintoqConformance' /f > "$work/conformance-setup.out" 2>&1 || true
$wine reg delete 'HKLM\SYSTEM\CurrentControlSet\Services\Dravix\Test' /f \
    >> "$work/conformance-setup.out" 2>&1 || true
$wine regedit /S "$(winepath -w tests/conformance/fixture.reg)" >> "$work/conformance-setup.out" 2>&1

# The period image runs as the first Windows it is made for.
if [ "$arch" = i686 ]; then
    $wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d nt40 /f >> "$work/conformance-setup.out" 2>&1
fi
# The exit codes count the checks that depart from the documentation; the
# comparison below judges them.
timeout 120 $wine "$dir/tests/conformance/conformance.exe" \
    > "$results.wine.txt" 2> "$work/conformance-wine.err" || true
if [ "$arch" = i686 ]; then
    $wine reg delete 'HKCU\Software\Wine' /v Version /f >> "$work/conformance-setup.out" 2>&1
fi
"$emulated" > "$results.emulator.txt" || true
if [ "$arch" = i686 ]; then
    # The emulated build is a 64-bit program; these checks of 64-bit pointers
    # and of the high half of a 64-bit predefined key handle exist only in a
    # 64-bit build of the program, so the 32-bit one has nothing to set beside
    # them.
    grep -a -v -E '^(fmt\.pointer|reg\.open\.predefined-zero-extended|reg\.open\.predefined-high-junk) \|' \
        "$results.emulator.txt" > "$results.emulator-32.txt" || true
    mv "$results.emulator-32.txt" "$results.emulator.txt"
fi
python3 tests/conformance/compare.py "$results.wine.txt" "$results.emulator.txt" \
    tests/conformance/known_differences.txt | tee "$results.txt"
