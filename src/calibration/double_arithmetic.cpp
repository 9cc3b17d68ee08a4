#include "calibration/double_arithmetic.h"

#include <climits>

namespace {

constexpr std::uint64_t SignificandLimit = std::uint64_t{1} << 53;
constexpr std::uint64_t Int32Limit = std::uint64_t{1} << 31;
constexpr std::uint64_t Low32Mask = 0xFFFFFFFFULL;

std::uint32_t Magnitude(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    return value < 0 ? 0U - bits : bits;
}

// significand x 2^exponent followed by the dropped bits, of which `half` is
// the first and `sticky` says whether any later one was set: rounded to
// nearest, ties to even.
ExactDouble RoundToNearestEven(bool negative, std::uint64_t significand, std::int32_t exponent,
                               bool half, bool sticky) {
    if (half && (sticky || (significand & 1U) != 0)) {
        ++significand;
        if (significand == SignificandLimit) {
            significand >>= 1;
            ++exponent;
        }
    }
    return {negative, significand, exponent};
}

// Whole part of the magnitude; Int32Limit stands for anything at or beyond it.
// A significand other than 0 has its top bit at 2^52, so from exponent 0 up
// the value is past 2^31, and from exponent -53 down it is below 1.
std::uint64_t WholePart(const ExactDouble& value) {
    if (value.Significand == 0 || value.Exponent <= -64) {
        return 0;
    }
    if (value.Exponent >= 0) {
        return Int32Limit;
    }
    return value.Significand >> -value.Exponent;
}

} // namespace

ExactDouble DivideAsDouble(std::int32_t dividend, std::int32_t divisor) {
    if (dividend == 0 || divisor == 0) {
        return {};
    }
    const bool negative = (dividend ^ divisor) < 0; // the signs differ
    // The whole part in 32 bits: a 32-bit processor divides that itself,
    // without a 64-bit division routine.
    const std::uint32_t denominator = Magnitude(divisor);
    std::uint64_t quotient = Magnitude(dividend) / denominator;
    std::uint64_t remainder = Magnitude(dividend) % denominator;
    std::int32_t exponent = 0;
    // Long division, one bit at a time, to 53 significant bits and one more:
    // the first dropped bit. The remainder says whether anything follows it.
    while (quotient < SignificandLimit) {
        remainder <<= 1;
        quotient <<= 1;
        if (remainder >= denominator) {
            remainder -= denominator;
            quotient |= 1U;
        }
        --exponent;
    }
    return RoundToNearestEven(negative, quotient >> 1, exponent + 1, (quotient & 1U) != 0,
                              remainder != 0);
}

std::int32_t MultiplyAndTruncate(const ExactDouble& value, std::int32_t factor) {
    const std::uint64_t multiplier = Magnitude(factor);
    // 53 x 32 bits make up to 85 bits: two 64-bit words, high and low.
    const std::uint64_t lowPart = (value.Significand & Low32Mask) * multiplier;
    const std::uint64_t highPart = (value.Significand >> 32) * multiplier;
    std::uint64_t low = lowPart + (highPart << 32);
    std::uint64_t high = (highPart >> 32) + (low < lowPart ? 1U : 0U);
    std::int32_t exponent = value.Exponent;
    bool half = false;
    bool sticky = false;
    while (high != 0 || low >= SignificandLimit) {
        sticky = sticky || half;
        half = (low & 1U) != 0;
        low = (low >> 1) | (high << 63);
        high >>= 1;
        ++exponent;
    }
    const bool negative = value.Negative != (factor < 0);
    const std::uint64_t whole =
        WholePart(RoundToNearestEven(negative, low, exponent, half, sticky));
    if (whole >= Int32Limit) {
        return INT32_MIN;
    }
    const auto magnitude = static_cast<std::int32_t>(whole);
    return negative ? -magnitude : magnitude;
}
