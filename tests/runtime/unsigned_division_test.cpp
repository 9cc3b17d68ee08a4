// The 64-bit division the i686 program carries, against the host's own.
#include "runtime/unsigned_division.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {

void ExpectDivision(std::uint64_t dividend, std::uint64_t divisor) {
    std::uint64_t remainder = 0;
    EXPECT_EQ(DivideWithRemainder(dividend, divisor, remainder), dividend / divisor)
        << dividend << " / " << divisor;
    EXPECT_EQ(remainder, dividend % divisor) << dividend << " % " << divisor;
}

TEST(UnsignedDivision, EdgesOfTheRange) {
    constexpr std::uint64_t Max = UINT64_MAX;
    constexpr std::uint64_t Top = std::uint64_t{1} << 63;
    const std::uint64_t values[] = {0,          1,
                                    2,          3,
                                    7,          0xFFFFFFFF,
                                    1ULL << 32, (1ULL << 32) + 1,
                                    Top - 1,    Top,
                                    Top + 1,    Max - 1,
                                    Max,        10000000000000000000ULL};
    for (std::uint64_t dividend : values) {
        for (std::uint64_t divisor : values) {
            if (divisor != 0) {
                ExpectDivision(dividend, divisor);
            }
        }
    }
}

TEST(UnsignedDivision, RandomOperandsOfEveryWidth) {
    std::mt19937_64 random(20240521);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t dividend = random() >> (random() % 64);
        const std::uint64_t divisor = (random() >> (random() % 64)) | 1U;
        ExpectDivision(dividend, divisor);
    }
}

static_assert([] {
    std::uint64_t remainder = 0;
    return DivideWithRemainder(1000000007ULL * 998244353ULL + 12345, 998244353ULL, remainder) ==
               1000000007ULL &&
           remainder == 12345;
}());

} // namespace
