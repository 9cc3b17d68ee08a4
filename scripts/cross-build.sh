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

# The program must run from a bare Windows: it may import system DLLs only.
allowed='^(ADVAPI32|GDI32|KERNEL32|USER32|msvcrt)\.dll$'
for arch in x86_64 i686; do
    exe="build-win-$arch/src/vintoq32.exe"
    imports=$("$arch-w64-mingw32-objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p')
    if echo "$imports" | grep -v -i -E "$allowed"; then
        echo "$exe imports a DLL that is not part of Windows" >&2
        exit 1
    fi
    echo "$exe: $(stat -c %s "$exe") bytes, imports: $(echo $imports)"
done
