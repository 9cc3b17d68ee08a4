// What the calibration window shows: the instruction panel, the targets and
// the background store, checked pixel by pixel on the emulated desktop.
#include "calibration/drawing.h"
#include "calibration/target_sequence.h"
#include "support/machine_test.h"

#include "emu/clock.h"
#include "emu/faults.h"
#include "emu/gdi.h"
#include "emu/resources.h"
#include "support/popup.h"

#include <set>

namespace {

constexpr std::uint32_t Red = 0xFF0000;
constexpr std::uint32_t Black = 0x000000;
constexpr std::uint32_t White = 0xFFFFFF;
constexpr std::uint32_t Shadow = 0x808080;
constexpr std::uint32_t LightGrey = 0xC0C0C0;

int paintCount = 0;

// The calibration window's paint handling: an empty paint cycle.
LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        ++paintCount;
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class DrawingTest : public MachineTest {
  protected:
    HWND window = nullptr;
    HDC dc = nullptr;

    void SetUp() override {
        MachineTest::SetUp();
        paintCount = 0;
        ASSERT_NE(test::RegisterTestClass({"DrawingTest", TestWindowProc, test::LightGreyBrush(),
                                           CS_HREDRAW | CS_VREDRAW}),
                  0);
    }

    void TearDown() override {
        if (dc != nullptr) {
            ReleaseDC(window, dc);
        }
        if (window != nullptr) {
            DestroyWindow(window);
        }
    }

    HWND Open(int left, int top, int width, int height) {
        HWND hwnd = test::OpenPopup("DrawingTest", left, top, width, height);
        ShowWindow(hwnd, SW_SHOWDEFAULT);
        UpdateWindow(hwnd);
        Context.CalibrationWindow = hwnd;
        Context.WindowLeft = left;
        Context.WindowTop = top;
        Context.WindowWidth = width;
        Context.WindowHeight = height;
        return hwnd;
    }

    void OpenCalibrationWindow(int width = 640, int height = 480) {
        window = Open(0, 0, width, height);
        ASSERT_NE(window, nullptr);
        dc = GetDC(window);
        ASSERT_NE(dc, nullptr);
        paintCount = 0;
    }

    // Client coordinates of the calibration window.
    static std::uint32_t Pixel(int x, int y) {
        return emu::DesktopPixel(Context.WindowLeft + x, Context.WindowTop + y);
    }

    std::set<int> ColumnsOf(std::uint32_t colour, int y, int from, int to) const {
        std::set<int> columns;
        for (int x = from; x < to; ++x) {
            if (Pixel(x, y) == colour) {
                columns.insert(x);
            }
        }
        return columns;
    }

    // The bounding box of the pixels of a colour within an area; empty when none.
    RECT BoxOf(std::uint32_t colour, const RECT& area) const {
        RECT box{area.right, area.bottom, area.left, area.top};
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if (Pixel(x, y) == colour) {
                    box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                               std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
                }
            }
        }
        return box;
    }
};

TEST_F(DrawingTest, PanelOn640x480) {
    OpenCalibrationWindow();
    DrawInstructionPanel(dc);
    EXPECT_EQ(paintCount, 2); // one before drawing, one after

    // Etched frame from (150, 190) to (490, 290), right and bottom exclusive:
    // the centre (320, 240) less and plus (170, 50).
    EXPECT_EQ(Pixel(150, 190), Shadow);
    EXPECT_EQ(Pixel(151, 191), White);
    EXPECT_EQ(Pixel(320, 190), Shadow);
    EXPECT_EQ(Pixel(489, 240), White);
    EXPECT_EQ(Pixel(488, 240), Shadow);
    EXPECT_EQ(Pixel(320, 289), White);
    EXPECT_EQ(Pixel(149, 240), LightGrey);
    EXPECT_EQ(Pixel(490, 240), LightGrey);
    EXPECT_EQ(Pixel(320, 290), LightGrey);
    EXPECT_EQ(Pixel(320, 189), LightGrey);

    // The icon with its top-left corner at (304, 200), (320 - 16, 240 - 40);
    // transparent pixels keep the grey.
    const emu::IconImage* icon = emu::FindIcon(Context.InstanceHandle, "VINTOQ");
    ASSERT_NE(icon, nullptr);
    ASSERT_EQ(icon->width, 32);
    ASSERT_EQ(icon->height, 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const std::size_t at = static_cast<std::size_t>(y * 32 + x);
            const std::uint32_t expected = icon->transparent[at] ? LightGrey : icon->pixels[at];
            ASSERT_EQ(Pixel(304 + x, 200 + y), expected) << x << "," << y;
        }
    }

    // Two text lines in black, in the rows 240 to 260 and 260 to 280 (from the
    // centre row down, 20 rows each), inside the frame.
    const RECT below{0, 232, 640, 480};
    const RECT text = BoxOf(Black, below);
    EXPECT_GE(text.left, 150);
    EXPECT_LE(text.right, 490);
    EXPECT_GE(text.top, 240);
    EXPECT_LT(text.top, 245);
    EXPECT_LE(text.bottom, 280);
    const RECT line1 = BoxOf(Black, RECT{150, 240, 490, 260});
    const RECT line2 = BoxOf(Black, RECT{150, 260, 490, 280});
    EXPECT_LT(line2.top, 265);
    // Both lines have letters of full height: their tops lie one row apart.
    EXPECT_EQ(line2.top - line1.top, 20);
    // Drawn transparently: no opaque text cells, and the mode is back.
    EXPECT_EQ(BoxOf(White, RECT{152, 240, 488, 280}).right, 152);
    EXPECT_EQ(GetBkMode(dc), OPAQUE);
    EXPECT_EQ(emu::LiveGdiObjects(), 0);
}

// Win32s has no DrawEdge: the frame is a plain grey line along the same
// rectangle, with the background inside and out, and everything else as on NT.
TEST_F(DrawingTest, PanelFrameWithoutDrawEdge) {
    emu::Machine().desktopWidth = 1400;
    HWND nt = Open(700, 0, 640, 480);
    HDC ntDC = GetDC(nt);
    DrawInstructionPanel(ntDC);
    emu::Machine().platform = emu::Platform::Win32s;
    OpenCalibrationWindow();
    DrawInstructionPanel(dc);

    const RECT frame{150, 190, 490, 290};
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const bool onFrame = x >= frame.left && x < frame.right && y >= frame.top &&
                                 y < frame.bottom &&
                                 (x == frame.left || x == frame.right - 1 || y == frame.top ||
                                  y == frame.bottom - 1);
            const bool insideFrameLine = x == frame.left + 1 || x == frame.right - 2 ||
                                         y == frame.top + 1 || y == frame.bottom - 2;
            if (onFrame) {
                ASSERT_EQ(Pixel(x, y), Shadow) << x << "," << y;
            } else if (insideFrameLine && x > frame.left && x < frame.right - 1 && y > frame.top &&
                       y < frame.bottom - 1) {
                ASSERT_EQ(Pixel(x, y), LightGrey) << x << "," << y;
            } else {
                ASSERT_EQ(Pixel(x, y), emu::DesktopPixel(700 + x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(emu::DesktopPixel(700 + 489, 240), White);
    ReleaseDC(nt, ntDC);
    DestroyWindow(nt);
    EXPECT_EQ(emu::LiveGdiObjects(), 0);
}

TEST_F(DrawingTest, PanelOn641x481IsThePanelOf640x480) {
    emu::Machine().desktopWidth = 1400;
    HWND even = Open(0, 0, 640, 480);
    HDC evenDC = GetDC(even);
    DrawInstructionPanel(evenDC);
    window = Open(700, 0, 641, 481);
    dc = GetDC(window);
    DrawInstructionPanel(dc);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            ASSERT_EQ(emu::DesktopPixel(x, y), Pixel(x, y)) << x << "," << y;
        }
    }
    ReleaseDC(even, evenDC);
    DestroyWindow(even);
}

TEST_F(DrawingTest, TargetIsFourRedRingsOnAWhiteDiscWithABlackCrossHair) {
    OpenCalibrationWindow();
    DrawTarget(dc, 80, 60, TargetRadius);
    EXPECT_EQ(paintCount, 2); // one before drawing, one after

    // Row 61 misses the horizontal line of the cross hair (rows 59 and 60).
    // Rings 48, 34, 22 and 10 pixels across, each outline two pixels wide:
    // k x 25 / 4 - 1 for k = 4, 3, 2, 1 is 24, 17, 11 and 5 each side of 80.
    EXPECT_EQ(ColumnsOf(Red, 61, 40, 120),
              (std::set<int>{56, 57, 63, 64, 69, 70, 75, 76, 83, 84, 89, 90, 95, 96, 102, 103}));
    EXPECT_EQ(ColumnsOf(Black, 61, 40, 120), (std::set<int>{79, 80}));
    EXPECT_EQ(Pixel(60, 61), White);
    EXPECT_EQ(Pixel(55, 61), LightGrey);  // 80 - 24 - 1
    EXPECT_EQ(Pixel(104, 61), LightGrey); // 80 + 24
    EXPECT_EQ(Pixel(80, 35), LightGrey);  // 60 - 24 - 1
    EXPECT_EQ(Pixel(80, 84), LightGrey);  // 60 + 24

    // Cross hair from centre - 24 up to centre + 23: LineTo leaves out its end.
    EXPECT_EQ(Pixel(80, 36), Black);  // 60 - 25 + 1
    EXPECT_EQ(Pixel(80, 83), Black);  // 60 + 25 - 1, less the end LineTo leaves out
    EXPECT_EQ(Pixel(56, 60), Black);  // 80 - 25 + 1
    EXPECT_EQ(Pixel(103, 60), Black); // 80 + 25 - 1, less the end
    const RECT crossHair = BoxOf(Black, RECT{0, 0, 200, 200});
    EXPECT_EQ(crossHair.left, 56);
    EXPECT_EQ(crossHair.top, 36);
    EXPECT_EQ(crossHair.right, 104); // exclusive: 103 + 1
    EXPECT_EQ(crossHair.bottom, 84); // exclusive: 83 + 1

    // Pens and brush deleted, the DC's own back in place.
    EXPECT_EQ(emu::LiveGdiObjects(), 0) << emu::DescribeLiveGdi();
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, GetStockObject(WHITE_BRUSH)), GetStockObject(WHITE_BRUSH));
}

TEST_F(DrawingTest, TargetWaitsHalfASecondAlsoWhenTheTickCountWraps) {
    OpenCalibrationWindow();
    for (std::uint32_t start : {1000u, 0xFFFFFFFFu - 100u, 0xFFFFFFFFu}) {
        emu::SetClockStart(start);
        DrawTarget(dc, 80, 60, TargetRadius);
        // Every reading of the tick count moves the clock on by one: the
        // wait ends with the first reading 500 ms after the noted one.
        const std::uint32_t elapsed = emu::Now() - start;
        EXPECT_EQ(elapsed, 500u + emu::TickCountCost) << start;
    }
}

TEST_F(DrawingTest, StoreGivesBackTheFiftyPixelBlockAroundATarget) {
    OpenCalibrationWindow();
    DrawInstructionPanel(dc);
    // Corners of the block saved for (80, 60), 50 pixels from (80 - 25, 60 - 25)
    // to (104, 84), and pixels just outside it.
    SetPixel(dc, 55, 35, RGB(0, 0, 255));
    SetPixel(dc, 104, 84, RGB(0, 255, 0));
    SetPixel(dc, 54, 35, RGB(0, 0, 255));
    SetPixel(dc, 105, 84, RGB(0, 255, 0));

    BackgroundStore store;
    CreateBackgroundStore(store, dc);
    ASSERT_NE(store.MemoryDC, nullptr);
    ASSERT_NE(store.Bitmap, nullptr);
    SaveTargetBackground(store, dc, 80, 60);
    DrawTarget(dc, 80, 60, TargetRadius);
    RECT whole{0, 0, 640, 480};
    FillRect(dc, &whole, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RestoreTargetBackground(store, dc, 80, 60);

    EXPECT_EQ(Pixel(55, 35), 0x0000FFu);
    EXPECT_EQ(Pixel(104, 84), 0x00FF00u);
    EXPECT_EQ(Pixel(80, 60), LightGrey);
    EXPECT_EQ(Pixel(54, 35), Black);
    EXPECT_EQ(Pixel(105, 84), Black);
    EXPECT_EQ(Pixel(80, 85), Black); // below the block: 35 + 50

    // A target over the panel gives the panel back: its block from (135, 175)
    // holds the frame's corner at (150, 190).
    DrawInstructionPanel(dc);
    SaveTargetBackground(store, dc, 160, 200);
    DrawTarget(dc, 160, 200, TargetRadius);
    EXPECT_EQ(Pixel(151, 191), White);
    RestoreTargetBackground(store, dc, 160, 200);
    EXPECT_EQ(Pixel(150, 190), Shadow);
    EXPECT_EQ(Pixel(160, 191), White);
    EXPECT_EQ(Pixel(160, 200), Black);

    ReleaseBackgroundStore(store);
    EXPECT_EQ(store.MemoryDC, nullptr);
    EXPECT_EQ(store.Bitmap, nullptr);
    EXPECT_EQ(emu::LiveGdiObjects(), 0) << emu::DescribeLiveGdi();
    EXPECT_EQ(emu::LiveDCs(), 1) << emu::DescribeLiveGdi(); // the window's own
}

TEST_F(DrawingTest, WithoutAStoreTargetsAreDrawnAndStay) {
    OpenCalibrationWindow();
    for (bool dcFails : {true, false}) {
        SCOPED_TRACE(dcFails ? "no memory DC" : "no bitmap");
        RECT whole{0, 0, 640, 480};
        FillRect(dc, &whole, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
        if (dcFails) {
            emu::FailCreateCompatibleDC();
        } else {
            emu::FailCreateCompatibleBitmap();
        }
        BackgroundStore store;
        CreateBackgroundStore(store, dc);
        EXPECT_EQ(store.MemoryDC == nullptr, dcFails);
        EXPECT_EQ(store.Bitmap, nullptr);
        SaveTargetBackground(store, dc, 80, 60);
        DrawTarget(dc, 80, 60, TargetRadius);
        RestoreTargetBackground(store, dc, 80, 60);
        SaveTargetBackground(store, dc, 560, 420);
        DrawTarget(dc, 560, 420, TargetRadius);
        EXPECT_EQ(Pixel(56, 61), Red);   // outer ring, 80 - 24
        EXPECT_EQ(Pixel(536, 421), Red); // outer ring, 560 - 24
        ReleaseBackgroundStore(store);
        EXPECT_EQ(emu::LiveDCs(), 1) << emu::DescribeLiveGdi();
        EXPECT_EQ(emu::LiveGdiObjects(), 0) << emu::DescribeLiveGdi();
    }
}

} // namespace
