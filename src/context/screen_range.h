// One screen's entry in the range table: the key its values live under and
// the part of the normalised coordinate space it covers.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int KeyPathSize = 260;

struct ScreenRange {
    char KeyPath[KeyPathSize] = {};
    std::uint32_t XlateXLow = 0;
    std::uint32_t XlateXHigh = 0;
    std::uint32_t XlateYLow = 0;
    std::uint32_t XlateYHigh = 0;
    std::uint32_t XlateZLow = 0;
    std::uint32_t XlateZHigh = 0;
};
static_assert(sizeof(ScreenRange) == KeyPathSize + 6 * sizeof(std::uint32_t));
static_assert(offsetof(ScreenRange, XlateXLow) == KeyPathSize);
static_assert(offsetof(ScreenRange, XlateZHigh) == KeyPathSize + 20);
