// The integer double arithmetic against the processor's own doubles. This file
// is compiled for plain double evaluation even where the arithmetic under test
// is compiled for the x87 unit, so the processor here is the reference.
#include "calibration/double_arithmetic.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cstdint>
#include <random>

static_assert(FLT_EVAL_METHOD == 0, "the reference needs doubles evaluated as doubles");

namespace {

// One division, one multiplication, truncation toward zero; INT32_MIN when
// the product lies outside the 32-bit range.
std::int32_t Reference(std::int32_t dividend, std::int32_t divisor, std::int32_t factor) {
    const double scale = static_cast<double>(dividend) / static_cast<double>(divisor);
    const double product = scale * static_cast<double>(factor);
    if (!(product > -2147483649.0 && product < 2147483648.0)) {
        return INT32_MIN;
    }
    return static_cast<std::int32_t>(product);
}

std::int32_t Exact(std::int32_t dividend, std::int32_t divisor, std::int32_t factor) {
    return MultiplyAndTruncate(DivideAsDouble(dividend, divisor), factor);
}

// Reports the first few disagreements rather than thousands.
class Agreement {
  public:
    void Check(std::int32_t dividend, std::int32_t divisor, std::int32_t factor) {
        if (divisor == 0 ||
            Exact(dividend, divisor, factor) == Reference(dividend, divisor, factor)) {
            return;
        }
        if (++failures_ <= 5) {
            ADD_FAILURE() << dividend << " / " << divisor << " * " << factor << ": got "
                          << Exact(dividend, divisor, factor) << ", doubles give "
                          << Reference(dividend, divisor, factor);
        }
    }
    ~Agreement() { EXPECT_EQ(failures_, 0); }

  private:
    int failures_ = 0;
};

TEST(DoubleArithmetic, ProductJustBelowAWholeNumberIsTruncatedDown) {
    // 174 / 600 is a little less than 0.29, so times 100 it is a little less
    // than 29: 28, where exact or extended arithmetic gives 29.
    EXPECT_EQ(Exact(174, 600, 100), 28);
    EXPECT_EQ(Exact(-174, 600, 100), -28);
    EXPECT_EQ(Exact(174, -600, -100), 28);
    // Exact scales: 3.75 x 128 and 3.75 x 134.
    EXPECT_EQ(Exact(2880, 768, 128), 480);
    EXPECT_EQ(Exact(2880, 768, 134), 502);
    // A falling axis rounds toward zero, not downward.
    EXPECT_EQ(Exact(-2960, 576, 96), -493);
}

TEST(DoubleArithmetic, ZeroAndTheEndsOfTheRange) {
    EXPECT_EQ(Exact(0, 600, 100), 0);
    EXPECT_EQ(Exact(174, 600, 0), 0);
    EXPECT_EQ(Exact(174, 0, 100), 0);
    EXPECT_EQ(Exact(INT32_MIN, 1, 1), INT32_MIN);
    EXPECT_EQ(Exact(INT32_MAX, 1, 1), INT32_MAX);
    EXPECT_EQ(Exact(INT32_MAX, 1, 2), INT32_MIN);
    EXPECT_EQ(Exact(INT32_MIN, -1, 1), INT32_MIN);
    EXPECT_EQ(Exact(INT32_MIN, INT32_MIN, INT32_MIN), INT32_MIN);
    EXPECT_EQ(Exact(1, INT32_MIN, 1), 0);
    EXPECT_EQ(Exact(INT32_MAX, INT32_MAX, INT32_MAX), INT32_MAX);
    // Powers of two: 2^-12 has the significand's lowest bit 64 places below
    // the binary point, one beyond what a 64-bit shift reaches; 2^30 and 2^31
    // are each side of the end of the range.
    EXPECT_EQ(Exact(1, 4096, 1), 0);
    EXPECT_EQ(Exact(1, 4096, 4096), 1);
    EXPECT_EQ(Exact(-1, 4096, -8192), 2);
    EXPECT_EQ(Exact(1 << 30, 1, 1), 1 << 30);
    EXPECT_EQ(Exact(1 << 30, -1, -2), INT32_MIN);
    Agreement agreement;
    const std::int32_t ends[] = {INT32_MIN, INT32_MIN + 1, -65536, -65535,  -3,       -2, -1, 1, 2,
                                 3,         65535,         65536,  1 << 30, INT32_MAX};
    for (std::int32_t dividend : ends) {
        for (std::int32_t divisor : ends) {
            for (std::int32_t factor : ends) {
                agreement.Check(dividend, divisor, factor);
            }
        }
    }
}

// What the calibration meets: readings up to 16 bits apart, target distances
// and margins of real screens.
TEST(DoubleArithmetic, AgreesWithDoublesOnScreenSizedInputs) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<std::int32_t> difference(-65535, 65535);
    std::uniform_int_distribution<std::int32_t> distance(1, 8192);
    std::uniform_int_distribution<std::int32_t> margin(0, 1024);
    Agreement agreement;
    for (int i = 0; i < 400000; ++i) {
        agreement.Check(difference(random), distance(random), margin(random));
    }
}

// Products that are whole numbers in exact arithmetic are where rounding
// decides between n and n - 1: dividend t x n over divisor m x t, times m.
TEST(DoubleArithmetic, AgreesWithDoublesWhereTheExactProductIsWhole) {
    std::mt19937 random(451);
    std::uniform_int_distribution<std::int32_t> whole(-65535, 65535);
    std::uniform_int_distribution<std::int32_t> factor(1, 2000);
    std::uniform_int_distribution<std::int32_t> spread(1, 600);
    Agreement agreement;
    for (int i = 0; i < 400000; ++i) {
        const std::int32_t t = spread(random);
        const std::int32_t m = factor(random);
        agreement.Check(t * whole(random), m * t, m);
    }
}

TEST(DoubleArithmetic, AgreesWithDoublesOverTheWholeRange) {
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX);
    std::uniform_int_distribution<int> shift(0, 31);
    Agreement agreement;
    for (int i = 0; i < 200000; ++i) {
        // Shifted down by a random amount, so that every magnitude is met.
        agreement.Check(any(random) >> shift(random), any(random) >> shift(random),
                        any(random) >> shift(random));
    }
}

} // namespace
