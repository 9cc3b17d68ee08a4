#!/usr/bin/env bash
# Builds the Windows program with MinGW-w64 for x86-64 (Windows XP x64 and
# later) and i686 (Windows NT 4.0, Windows 95/98 and Win32s on any 386), and
# checks both images.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for arch in x86_64 i686; do
    cmake -S . -B "build-win-$arch" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DVINTOQ_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-$arch.cmake"
    cmake --build "build-win-$arch" -j"$(nproc)"
done

# The check itself first, on small images built to fool it: a broken check
# would let any image through.
PYTHONDONTWRITEBYTECODE=1 python3 tools/check_windows_image_test.py

# Each image against the Windows versions it is built for: header, imports
# (tools/windows_imports.tsv), instruction set of every code section; then its
# size by section.
for arch in x86_64 i686; do
    exe="build-win-$arch/src/vintoq32.exe"
    python3 tools/check_windows_image.py "$exe" "$arch-w64-mingw32-objdump"
done
