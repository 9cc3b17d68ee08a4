#!/usr/bin/env bash
# Builds the Windows program with MinGW-w64 for x86-64 and i686.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for arch in x86_64 i686; do
    cmake -S . -B "build-win-$arch" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-$arch.cmake"
    cmake --build "build-win-$arch" -j"$(nproc)"
done
