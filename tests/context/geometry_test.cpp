#include "context/command_line.h"
#include "support/machine_test.h"

namespace {

class GeometryTest : public MachineTest {
  protected:
    void Boot(emu::Platform platform, int width, int height) {
        emu::Machine().platform = platform;
        DetectPlatform();
        Context.DesktopWidth = width;
        Context.DesktopHeight = height;
    }
    void SetRange(int screen, std::uint32_t xLow, std::uint32_t xHigh, std::uint32_t yLow,
                  std::uint32_t yHigh) {
        ScreenRange& range = Context.ScreenRangeTable[screen];
        range.XlateXLow = xLow;
        range.XlateXHigh = xHigh;
        range.XlateYLow = yLow;
        range.XlateYHigh = yHigh;
    }
    void ExpectWindow(int left, int top, int width, int height) {
        EXPECT_EQ(Context.WindowLeft, left);
        EXPECT_EQ(Context.WindowTop, top);
        EXPECT_EQ(Context.WindowWidth, width);
        EXPECT_EQ(Context.WindowHeight, height);
    }
};

TEST_F(GeometryTest, PlatformDecidesTheNormalisedSpace) {
    Boot(emu::Platform::WindowsNT, 0, 0);
    EXPECT_EQ(Context.PlatformKind, PlatformWindowsNT);
    EXPECT_EQ(Context.FullScale, 0x8000u);
    Context = CalibrationContext{};
    Boot(emu::Platform::Windows9x, 0, 0);
    EXPECT_EQ(Context.PlatformKind, PlatformWindows9x);
    EXPECT_EQ(Context.FullScale, 0x10000u);
    Context = CalibrationContext{};
    Boot(emu::Platform::Win32s, 0, 0);
    EXPECT_EQ(Context.PlatformKind, PlatformWin32s);
    EXPECT_EQ(Context.MaxCoordinate, 0u);
    EXPECT_EQ(Context.FullScale, 1u);
}

TEST_F(GeometryTest, WholeDesktopOnWindowsNT) {
    Boot(emu::Platform::WindowsNT, 1024, 768);
    SetRange(0, 0, 0x7FFF, 0, 0x7FFF);
    ComputeWindowGeometry(0);
    ExpectWindow(0, 0, 1024, 768);
}

TEST_F(GeometryTest, RightHalfOnWindowsNT) {
    Boot(emu::Platform::WindowsNT, 1024, 768);
    SetRange(1, 0x4000, 0x7FFF, 0, 0x7FFF);
    ComputeWindowGeometry(1);
    ExpectWindow(512, 0, 512, 768);
}

TEST_F(GeometryTest, MiddleColumnOfThreeOnWindows9x) {
    Boot(emu::Platform::Windows9x, 1024, 768);
    SetRange(0, 21845, 43689, 0, 0xFFFF);
    ComputeWindowGeometry(0);
    EXPECT_EQ(Context.WindowLeft, 341);
    EXPECT_EQ(Context.WindowWidth, 341);
}

TEST_F(GeometryTest, UnfilledEntryGivesAnEmptyWindow) {
    Boot(emu::Platform::WindowsNT, 1024, 768);
    ComputeWindowGeometry(3);
    ExpectWindow(0, 0, 0, 0);
}

TEST_F(GeometryTest, BeforeThePlatformIsKnownTheScaleIsOne) {
    // FullScale is still 0: the products are not divided by it.
    Context.DesktopWidth = 640;
    Context.DesktopHeight = 480;
    SetRange(0, 1, 2, 0, 0);
    ComputeWindowGeometry(0);
    ExpectWindow(640, 0, 1280, 480);
}

TEST_F(GeometryTest, Win32sMultipliesTheRawRange) {
    Boot(emu::Platform::Win32s, 640, 480);
    SetRange(0, 0, 1, 0, 0);
    ComputeWindowGeometry(0);
    ExpectWindow(0, 0, 1280, 480);
}

TEST_F(GeometryTest, ProductsWrapInThirtyTwoBits) {
    Boot(emu::Platform::Windows9x, 0x10000, 768);
    // (0xFFFF + 1) * 0x10000 wraps to 0.
    SetRange(0, 0, 0xFFFF, 0, 0xFFFF);
    ComputeWindowGeometry(0);
    EXPECT_EQ(Context.WindowWidth, 0);
    EXPECT_EQ(Context.WindowHeight, 768);
}

TEST_F(GeometryTest, ScreenNumbersBeyondTheTableReadAsUnfilled) {
    Boot(emu::Platform::WindowsNT, 1024, 768);
    for (int screen = 0; screen < MaxScreens; ++screen) {
        SetRange(screen, 0, 0x7FFF, 0, 0x7FFF);
    }
    for (int screen : {16, 17, 2147483646, -1}) {
        ComputeWindowGeometry(screen);
        ExpectWindow(0, 0, 0, 0);
    }
    EXPECT_FALSE(HasRangeEntry(16));
    EXPECT_TRUE(HasRangeEntry(15));
}

TEST_F(GeometryTest, InitialContext) {
    CalibrationContext fresh;
    EXPECT_EQ(fresh.UseStoredRanges, 1);
    EXPECT_EQ(fresh.TimeoutSeconds, 60);
    EXPECT_EQ(fresh.WindowWidth, 640);
    EXPECT_EQ(fresh.WindowHeight, 480);
    EXPECT_EQ(fresh.XLow, -1);
    EXPECT_EQ(fresh.GridColumns, 1);
    EXPECT_EQ(fresh.GridRow, 1);
    EXPECT_EQ(fresh.Header.InterfaceVersion, 4);
    EXPECT_EQ(fresh.Header.HeaderWord1, 4);
    EXPECT_EQ(fresh.Beep.BeepFreq, 1000);
    EXPECT_EQ(fresh.Beep.BeepTime, 32);
    for (const ScreenRange& range : fresh.ScreenRangeTable) {
        EXPECT_EQ(range.KeyPath[0], '\0');
        EXPECT_EQ(range.XlateXHigh, 0u);
    }
}

} // namespace
