#include "context/command_line.h"
#include "context/platform.h"
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
    EXPECT_EQ(Context.FullScale, 0x8000u); // 0x7FFF + 1
    Context = CalibrationContext{};
    Boot(emu::Platform::Windows9x, 0, 0);
    EXPECT_EQ(Context.PlatformKind, PlatformWindows9x);
    EXPECT_EQ(Context.FullScale, 0x10000u); // 0xFFFF + 1
    Context = CalibrationContext{};
    Boot(emu::Platform::Win32s, 0, 0);
    EXPECT_EQ(Context.PlatformKind, PlatformWin32s);
    EXPECT_EQ(Context.MaxCoordinate, 0u);
    EXPECT_EQ(Context.FullScale, 1u); // 0 + 1
}

// Bit 31 tells Windows NT from the rest before the major version is looked
// at: Windows NT 3.x has major version 3 too.
TEST_F(GeometryTest, PlatformFromTheVersionBits) {
    struct Case {
        DWORD version;
        std::int32_t kind;
        std::uint32_t fullScale;
    };
    const Case cases[] = {
        {0x04213303, PlatformWindowsNT, 0x8000},  // Windows NT 3.51
        {0x00000003, PlatformWindowsNT, 0x8000},  // major 3, nothing else
        {0x0A280105, PlatformWindowsNT, 0x8000},  // Windows XP
        {0xC3B60004, PlatformWindows9x, 0x10000}, // Windows 95
        {0xC0005A04, PlatformWindows9x, 0x10000}, // Windows Me
        {0x80000004, PlatformWindows9x, 0x10000},
        {0x80000A03, PlatformWin32s, 1}, // Win32s on Windows 3.1
        {0x80000303, PlatformWin32s, 1}, // the minor version does not count
        {0x80000313, PlatformWindows9x, 0x10000},
    };
    for (const Case& c : cases) {
        Context = CalibrationContext{};
        emu::Machine().version = c.version;
        DetectPlatform();
        EXPECT_EQ(Context.PlatformKind, c.kind) << std::hex << c.version;
        EXPECT_EQ(Context.FullScale, c.fullScale) << std::hex << c.version;
    }
}

TEST_F(GeometryTest, WholeDesktopOnWindowsNT) {
    Boot(emu::Platform::WindowsNT, 1024, 768);
    SetRange(0, 0, 0x7FFF, 0, 0x7FFF);
    ComputeWindowGeometry(0);
    ExpectWindow(0, 0, 1024, 768); // 0x8000 x 1024 / 0x8000, 0x8000 x 768 / 0x8000
}

TEST_F(GeometryTest, RightHalfOnWindowsNT) {
    Boot(emu::Platform::WindowsNT, 1024, 768);
    SetRange(1, 0x4000, 0x7FFF, 0, 0x7FFF);
    ComputeWindowGeometry(1);
    // 0x4000 x 1024 / 0x8000 = 512; (0x7FFF - 0x4000 + 1) x 1024 / 0x8000 = 512.
    ExpectWindow(512, 0, 512, 768);
}

TEST_F(GeometryTest, MiddleColumnOfThreeOnWindows9x) {
    Boot(emu::Platform::Windows9x, 1024, 768);
    SetRange(0, 21845, 43689, 0, 0xFFFF);
    ComputeWindowGeometry(0);
    EXPECT_EQ(Context.WindowLeft, 341);  // 21845 x 1024 / 65536 = 341.33
    EXPECT_EQ(Context.WindowWidth, 341); // (43689 - 21845 + 1) x 1024 / 65536 = 341.33
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
    // Left 1 x 640, width (2 - 1 + 1) x 640, height (0 - 0 + 1) x 480.
    ExpectWindow(640, 0, 1280, 480);
}

TEST_F(GeometryTest, Win32sMultipliesTheRawRange) {
    Boot(emu::Platform::Win32s, 640, 480);
    SetRange(0, 0, 1, 0, 0);
    ComputeWindowGeometry(0);
    ExpectWindow(0, 0, 1280, 480); // width (1 - 0 + 1) x 640 / 1
}

// Win32s scales nothing, so an entry without ranges shows its zeros: one raw
// unit, the whole desktop, from its corner.
TEST_F(GeometryTest, UnfilledEntryOnWin32sIsTheWholeDesktop) {
    Boot(emu::Platform::Win32s, 640, 480);
    for (int screen : {3, 16}) {
        ComputeWindowGeometry(screen);
        ExpectWindow(0, 0, 640, 480);
    }
}

TEST_F(GeometryTest, ProductsWrapInThirtyTwoBits) {
    Boot(emu::Platform::Windows9x, 0x10000, 768);
    // (0xFFFF + 1) * 0x10000 wraps to 0.
    SetRange(0, 0, 0xFFFF, 0, 0xFFFF);
    ComputeWindowGeometry(0);
    EXPECT_EQ(Context.WindowWidth, 0);
    EXPECT_EQ(Context.WindowHeight, 768); // 0x10000 x 768 / 0x10000
}

// A product past 2^31 is still a positive number of pixels: the division is
// unsigned.
TEST_F(GeometryTest, ProductsAreDividedUnsigned) {
    Boot(emu::Platform::Windows9x, 50000, 50000);
    // 0xC000 x 50000 = 2457600000, / 0x10000 = 37500; the width
    // (0xFFFF - 0xC000 + 1) x 50000 / 0x10000 = 12500.
    SetRange(0, 0xC000, 0xFFFF, 0xC000, 0xFFFF);
    ComputeWindowGeometry(0);
    ExpectWindow(37500, 37500, 12500, 12500);
    // The width's own product: 0xC001 x 50000 = 2457650000, / 0x10000 = 37500.76.
    SetRange(0, 0x0000, 0xC000, 0, 0xFFFF);
    ComputeWindowGeometry(0);
    EXPECT_EQ(Context.WindowWidth, 37500);
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

} // namespace
