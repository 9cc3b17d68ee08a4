#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev python3 lld
    nlohmann-json3-dev libfreetype-dev libpng-dev fonts-dejavu-core
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    g++-mingw-w64-x86-64 g++-mingw-w64-i686
)
if [ "${VINTOQ_WINE:-0}" = 1 ]; then
    packages+=(wine wine64 xvfb xauth xdotool imagemagick fonts-wine locales python3-pytest)
fi

# The i686 image runs on 32-bit Wine, which a kernel without 32-bit support
# cannot start; a tiny static i386 program that must exit 42 is the test, not
# the name of the machine's architecture. wine/run-tests.sh asks the same
# question and says why when the i686 stack is not run.
i386_runs=0
if [ "${VINTOQ_WINE:-0}" = 1 ] && [ "$("$(dirname "$0")/i386-runs.sh")" = yes ]; then
    i386_runs=1
    packages+=(wine32:i386)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    if [ "$i386_runs" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo_cmd[@]}" dpkg --add-architecture i386
    fi
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
