#include "calibration/calibration_math.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct Case {
    WindowRect window;
    TouchPoint touch1, touch2, touch3;
};

CalibrationRecord record;

CalibrationResult Compute(const Case& c, const ScreenRange& range = {}) {
    record = CalibrationRecord{};
    RequestHeader header;
    header.ScreenIndex = 5;
    return ComputeCalibration(c.window, c.touch1, c.touch2, c.touch3, range, header, record);
}

void ExpectEdges(const CalibrationResult& r, int xLow, int xHigh, int yLow, int yHigh, int swap) {
    EXPECT_EQ(r.XLow, xLow);
    EXPECT_EQ(r.XHigh, xHigh);
    EXPECT_EQ(r.YLow, yLow);
    EXPECT_EQ(r.YHigh, yHigh);
    EXPECT_EQ(r.SwapXY, swap);
}

// Targets at x 128 and 896 (768 apart, margins of 128), y 96 and 672 (576
// apart, margins of 96).
constexpr WindowRect Desktop1024{0, 0, 1024, 768};
// x: 2880 raw over 768 pixels, 3.75 a pixel, 480 over a margin: 120 and 3960.
// y: 2960 raw over 576 pixels, 5.1388... a pixel, 493.33 over a margin,
// truncated to 493: 67 and 4013.
constexpr Case Plain{Desktop1024, {600, 560}, {3480, 3520}, {3470, 575}};

TEST(TargetPositions, OneEighthInDividedBeforeMultiplied) {
    TargetPositions t = ComputeTargetPositions(Desktop1024);
    EXPECT_EQ(t.TargetLeftX, 128);   // 1024 / 8
    EXPECT_EQ(t.TargetRightX, 896);  // 128 x 7
    EXPECT_EQ(t.TargetTopY, 96);     // 768 / 8
    EXPECT_EQ(t.TargetBottomY, 672); // 96 x 7
    t = ComputeTargetPositions({0, 0, 1030, 768});
    EXPECT_EQ(t.TargetLeftX, 128);  // 1030 / 8 = 128 remainder 6
    EXPECT_EQ(t.TargetRightX, 896); // 128 x 7, not 1030 x 7 / 8 = 901
    t = ComputeTargetPositions({1024, 0, 1024, 768});
    EXPECT_EQ(t.TargetLeftX, 1152);  // 1024 + 128
    EXPECT_EQ(t.TargetRightX, 1920); // 1024 + 896
    t = ComputeTargetPositions({0, 0, 640, 480});
    EXPECT_EQ(t.TargetLeftX, 80);    // 640 / 8
    EXPECT_EQ(t.TargetRightX, 560);  // 80 x 7
    EXPECT_EQ(t.TargetTopY, 60);     // 480 / 8
    EXPECT_EQ(t.TargetBottomY, 420); // 60 x 7
}

TEST(Calibration, StraightController) {
    ExpectEdges(Compute(Plain), 120, 3960, 67, 4013, 0);
    EXPECT_EQ(record.XLow, 120);
    EXPECT_EQ(record.YHigh, 4013);
    EXPECT_EQ(record.ZLow, 1);    // CalibrationZLow
    EXPECT_EQ(record.ZHigh, 255); // CalibrationZHigh
    // The record goes to the driver under the header it was given.
    EXPECT_EQ(record.Header.ScreenIndex, 5);
}

TEST(Calibration, FallingYAxisRoundsTowardZero) {
    // ScaleY is -2960 / 576 = -5.1388...; the correction term -493.33 is
    // truncated to -493, not rounded down to -494: 3520 + 493 and 560 - 493.
    ExpectEdges(Compute({Desktop1024, {600, 3520}, {3480, 560}, {3470, 3505}}), 120, 3960, 4013, 67,
                0);
}

// Touch 3 moved 15 raw in x and 2870 in y from touch 1: swapped. The y
// readings follow the screen's x axis and give Plain's x edges.
TEST(Calibration, SwappedAxesExchangeTheClampedValues) {
    ExpectEdges(Compute({Desktop1024, {560, 600}, {3520, 3480}, {575, 3470}}), 120, 3960, 67, 4013,
                1);
    EXPECT_EQ(record.SwapXY, 1);
    EXPECT_EQ(record.XLow, 120);
    EXPECT_EQ(record.YLow, 67);
}

TEST(Calibration, SwappedControllerIsExtrapolatedAlongItsOwnScreenAxis) {
    // 1366 leaves a remainder of 6 in the right margin and 768 none in the
    // bottom one: a swapped controller must still get its screen x edge from
    // the horizontal margins, exactly as the same controller unswapped.
    const WindowRect laptop{0, 0, 1366, 768};
    CalibrationResult straight = Compute({laptop, {600, 560}, {3480, 3520}, {3470, 575}});
    CalibrationResult swapped = Compute({laptop, {560, 600}, {3520, 3480}, {575, 3470}});
    ExpectEdges(swapped, straight.XLow, straight.XHigh, straight.YLow, straight.YHigh, 1);
    EXPECT_EQ(straight.SwapXY, 0);
    // Targets at 170 and 1190 (1366 / 8 = 170, x 7), 1020 apart; the right
    // margin 1366 - 1190 = 176 at 2880 / 1020 raw a pixel is 496.94, truncated.
    EXPECT_EQ(straight.XHigh, 3480 + 496);
}

TEST(Calibration, TieIsNotASwap) {
    Case c = Plain;
    c.touch3 = {615, 575}; // 15 raw from touch 1 in x and in y
    EXPECT_EQ(Compute(c).SwapXY, 0);
}

TEST(Calibration, WindowOnASecondMonitorGivesTheSameEdges) {
    Case c = Plain;
    c.window.Left = 1024;
    ExpectEdges(Compute(c), 120, 3960, 67, 4013, 0);
}

TEST(Calibration, RemainderWidensTheRightMargin) {
    Case c = Plain;
    c.window.Width = 1030;
    CalibrationResult r = Compute(c);
    EXPECT_EQ(r.XHigh, 3982); // margin 1030 - 896 = 134, x 3.75 = 502.5, 3480 + 502
    EXPECT_EQ(r.XLow, 120);   // margin 128 as before: 600 - 480
}

TEST(Calibration, ScaleIsMultipliedByTheMarginAfterDivision) {
    // Targets 100 and 700: 174 raw over 600 pixels, times a margin of 100,
    // comes out just below 29 in double precision (174 x 100 / 600 would be 29).
    CalibrationResult r = Compute({{0, 0, 800, 600}, {1000, 1000}, {1174, 2000}, {1170, 1000}});
    EXPECT_EQ(r.XLow, 1000 - 28);
    EXPECT_EQ(r.XHigh, 1174 + 28);
}

TEST(Calibration, LowEdgesAreClampedToOne) {
    // x: 3380 / 768 x 128 = 563.33: 100 - 563 below 1, 3480 + 563 = 4043.
    // y: 3440 / 576 x 96 = 573.33: 80 - 573 below 1, 3520 + 573 = 4093.
    CalibrationResult r = Compute({Desktop1024, {100, 80}, {3480, 3520}, {3470, 95}});
    ExpectEdges(r, 1, 4043, 1, 4093, 0);
}

TEST(Calibration, NoUpperClampAndRecordTakesTheLowSixteenBits) {
    CalibrationResult r = Compute({{0, 0, 640, 480}, {4000, 5000}, {60000, 58000}, {59000, 5200}});
    EXPECT_EQ(r.XHigh, 69333);     // 56000 / 480 x 80 = 9333.33: 60000 + 9333
    EXPECT_EQ(r.YHigh, 66833);     // 53000 / 360 x 60 = 8833.33: 58000 + 8833
    EXPECT_EQ(record.XHigh, 3797); // 69333 - 65536
    EXPECT_EQ(record.YHigh, 1297); // 66833 - 65536
}

TEST(Calibration, SixtyFiveThousandFiveHundredThirtySixGoesOutAsZero) {
    CalibrationResult r = Compute({Desktop1024, {65494, 100}, {65530, 200}, {65530, 100}});
    EXPECT_EQ(r.XHigh, 65536);  // 36 / 768 x 128 = 6: 65530 + 6
    EXPECT_EQ(record.XHigh, 0); // 65536 mod 65536
}

// x stays at the reading 500; y at 0, clamped to 1.
TEST(Calibration, EqualReadingsGiveNoScale) {
    ExpectEdges(Compute({Desktop1024, {500, 0}, {500, 0}, {900, 0}}), 500, 500, 1, 1, 0);
}

TEST(Calibration, NarrowAndLowWindowsHaveNoDivisionByZero) {
    // size / 8 = 0: both targets on the window's edge, 0 apart.
    for (int size : {0, 1, 7}) {
        CalibrationResult r =
            Compute({{10, 10, size, size}, {700, 800}, {3000, 3100}, {2900, 820}});
        ExpectEdges(r, 700, 3000, 800, 3100, 0);
    }
}

TEST(Calibration, TranslationRangeGoesIntoTheRecordHighBeforeLow) {
    ScreenRange range;
    range.XlateXLow = 0x10001;
    range.XlateXHigh = 32767;
    range.XlateYLow = 2;
    range.XlateYHigh = 3;
    range.XlateZLow = 7;
    range.XlateZHigh = 9;
    Compute(Plain, range);
    EXPECT_EQ(record.XlateXLow, 1); // low 16 bits of 0x10001
    EXPECT_EQ(record.XlateXHigh, 32767);
    EXPECT_EQ(record.XlateYLow, 2);
    EXPECT_EQ(record.XlateYHigh, 3);
    EXPECT_EQ(record.XlateZLow, 7);
    EXPECT_EQ(record.XlateZHigh, 9);
    // The Z calibration values do not follow the range.
    EXPECT_EQ(record.ZLow, 1);
    EXPECT_EQ(record.ZHigh, 255);
}

TEST(Calibration, TermsAtTheEndsOfTheThirtyTwoBitRange) {
    // A 13-pixel-wide window: targets 6 pixels apart, a right margin of 6, so
    // the right term is the reading difference itself. Touches beyond 16 bits
    // reach the ends of the 32-bit range: the largest and smallest numbers
    // still convert, one beyond gives 0x80000000 as the x86 conversion does.
    const WindowRect narrow{0, 0, 13, 13};
    auto xHigh = [&](std::uint32_t x1, std::uint32_t x2) {
        return Compute({narrow, {x1, 0}, {x2, 0}, {x2, 0}}).XHigh;
    };
    // +2147483647 from touch 2 at 0.
    EXPECT_EQ(xHigh(0x80000001u, 0), INT32_MAX);
    // -2147483647 from touch 2 at -5: the sum wraps to 2147483644.
    EXPECT_EQ(xHigh(0x7FFFFFFAu, 0xFFFFFFFBu), 2147483644);
    // A 15-pixel-wide window has a right margin of 8: 4/3 of 2147483647 is
    // out of range, INT32_MIN added to 5 gives 5 - 2^31, clamped to 1 ...
    const WindowRect wider{0, 0, 15, 15};
    EXPECT_EQ(Compute({wider, {0x80000006u, 0}, {5, 0}, {5, 0}}).XHigh, 1);
    // ... and added to -5 wraps to 2^31 - 5.
    EXPECT_EQ(Compute({wider, {0x7FFFFFFAu, 0}, {0xFFFFFFFBu, 0}, {0xFFFFFFFBu, 0}}).XHigh,
              2147483643);
}

TEST(Calibration, ExtremeWindowsStayDefined) {
    const WindowRect windows[] = {{INT_MAX, INT_MAX, INT_MAX, INT_MAX},
                                  {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
                                  {-5, -5, -64, -64},
                                  {0, 0, INT_MIN, INT_MIN}};
    for (const WindowRect& window : windows) {
        Compute({window, {0, 65535}, {65535, 0}, {1, 2}});
        Compute({window, {65535, 0}, {0, 65535}, {0, 0}});
    }
}

TEST(Calibration, SwappedLaptopControllerStoresTheReadingsAtItsEdges) {
    // A 12-bit controller with exchanged words, touched exactly on 1366 x 768:
    // targets at x 170 and 1190 (margins 170 and 176), y 96 and 672. Word y
    // reads 4095 / 1366 per pixel of x, word x 4095 / 768 per pixel of y.
    // x: 509 - trunc(3058 / 1020 * 170 = 509.7) = 0, raised to 1;
    //    3567 + trunc(3058 / 1020 * 176 = 527.7) = 4094.
    // y: 511 - trunc(3072 / 576 * 96 = 512) = -1, raised to 1; 3583 + 512 = 4095.
    // Extrapolating word x over the x margins and exchanging afterwards would
    // give 4076 and 4113 instead.
    const WindowRect laptop{0, 0, 1366, 768};
    ExpectEdges(Compute({laptop, {511, 509}, {3583, 3567}, {511, 3567}}), 1, 4094, 1, 4095, 1);
}

} // namespace
