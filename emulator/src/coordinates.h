#pragma once
// Coordinate arithmetic for windows and drawing placed anywhere in the 32-bit
// range: a program may ask for any position and size, and the emulator must
// not overflow where Windows would merely clip. Sums are kept within the range.

#include <windows.h>

#include <algorithm>
#include <cstdint>

namespace emu {

constexpr LONG Saturate(std::int64_t value) {
    return static_cast<LONG>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

constexpr LONG Plus(LONG a, std::int64_t b) {
    return Saturate(std::int64_t{a} + b);
}

constexpr LONG Minus(LONG a, std::int64_t b) {
    return Saturate(std::int64_t{a} - b);
}

} // namespace emu
