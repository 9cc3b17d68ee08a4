// Double-precision division and multiplication worked out in integers.
//
// The correction terms of the calibration are IEEE 754 double results: one
// division rounded to 53 bits, then one multiplication rounded to 53 bits,
// truncated toward zero. An x87 unit left at its 64-bit precision (as 32-bit
// Windows programs often find it) rounds both steps differently and moves
// about one term in a hundred by one raw unit. Worked out here in integers,
// the result is the same on every processor, every compiler and every
// floating-point setting, and no floating-point instruction is needed at all.
#pragma once

#include <cstdint>

// A non-zero magnitude Significand x 2^Exponent, Significand below 2^53, with
// its sign apart; Significand 0 is zero.
struct ExactDouble {
    bool Negative = false;
    std::uint64_t Significand = 0;
    std::int32_t Exponent = 0;
};

// dividend / divisor rounded to the nearest double (ties to even). A divisor
// of 0 gives 0: callers never divide by zero.
ExactDouble DivideAsDouble(std::int32_t dividend, std::int32_t divisor);

// value x factor rounded to the nearest double, then truncated toward zero.
// A result outside the 32-bit range gives INT32_MIN, as the x86 conversion
// instruction answers.
std::int32_t MultiplyAndTruncate(const ExactDouble& value, std::int32_t factor);
