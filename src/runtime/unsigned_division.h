// 64-bit unsigned division for the 386, which has none: GCC calls
// __udivmoddi4 for every / and % of 64-bit values in the i686 build
// (src/runtime/unsigned_division.cpp). Bit by bit, as restoring division:
// the callers divide a handful of times per calibration.
#pragma once

#include <cstdint>

// The quotient; the remainder goes to `remainder`. A divisor of 0 gives an
// all-ones quotient and the dividend as remainder; callers never divide by 0.
constexpr std::uint64_t DivideWithRemainder(std::uint64_t dividend, std::uint64_t divisor,
                                            std::uint64_t& remainder) {
    std::uint64_t quotient = 0;
    std::uint64_t rest = 0;
    for (int bit = 63; bit >= 0; --bit) {
        // The bit shifted out of `rest` counts: with it, rest exceeds any divisor.
        const bool overflow = (rest >> 63) != 0;
        rest = (rest << 1) | ((dividend >> bit) & 1U);
        if (overflow || rest >= divisor) {
            rest -= divisor;
            quotient |= std::uint64_t{1} << bit;
        }
    }
    remainder = rest;
    return quotient;
}
