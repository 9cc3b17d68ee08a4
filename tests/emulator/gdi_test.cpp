// The emulated GDI: pixel geometry of the drawing calls, clipping, object
// accounting, text and screenshots.
#include "emu/faults.h"
#include "emu/gdi.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"
#include "support/machine_test.h"
#include "support/popup.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

namespace {

constexpr std::uint32_t Red = 0xFF0000;
constexpr std::uint32_t White = 0xFFFFFF;
constexpr std::uint32_t Black = 0x000000;
constexpr std::uint32_t Shadow = 0x808080;
constexpr std::uint32_t LightGrey = 0xC0C0C0;
constexpr COLORREF ClrInvalid = 0xFFFFFFFF;

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class GdiTest : public MachineTest {
  protected:
    HDC desktop = nullptr;

    void SetUp() override {
        MachineTest::SetUp();
        desktop = GetDC(nullptr);
        ASSERT_NE(desktop, nullptr);
    }
    void TearDown() override {
        if (desktop != nullptr) {
            ReleaseDC(nullptr, desktop);
        }
    }

    // Columns of a desktop row that have the colour, within [from, to).
    static std::set<int> ColumnsOf(std::uint32_t colour, int y, int from, int to) {
        std::set<int> columns;
        for (int x = from; x < to; ++x) {
            if (emu::DesktopPixel(x, y) == colour) {
                columns.insert(x);
            }
        }
        return columns;
    }

    HWND PopupWindow(int x, int y, int width, int height) {
        test::RegisterTestClass({"GdiTest", PlainProc, test::LightGreyBrush()});
        HWND hwnd = test::OpenPopup("GdiTest", x, y, width, height, WS_VISIBLE);
        UpdateWindow(hwnd);
        return hwnd;
    }
};

TEST_F(GdiTest, EllipseOutlineLiesInsideItsRightAndBottomExclusiveBox) {
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(255, 0, 0));
    HGDIOBJ oldPen = SelectObject(desktop, pen);
    HGDIOBJ oldBrush = SelectObject(desktop, GetStockObject(WHITE_BRUSH));
    Ellipse(desktop, 76, 76, 124, 124);

    // Rows through the middle: two red pixels at each side, white between.
    // The box is [76, 124): the 2-pixel pen takes 76, 77 on the left and
    // 124 - 2 = 122, 123 on the right; the white inside starts at 76 + 2 = 78.
    for (int y : {99, 100}) {
        EXPECT_EQ(ColumnsOf(Red, y, 60, 140), (std::set<int>{76, 77, 122, 123})) << y;
        EXPECT_EQ(emu::DesktopPixel(78, y), White);
        EXPECT_EQ(emu::DesktopPixel(75, y), emu::DesktopColour);
        EXPECT_EQ(emu::DesktopPixel(124, y), emu::DesktopColour);
    }
    EXPECT_EQ(emu::DesktopPixel(100, 76), Red);
    EXPECT_EQ(emu::DesktopPixel(100, 123), Red);
    EXPECT_EQ(emu::DesktopPixel(100, 124), emu::DesktopColour);
    EXPECT_EQ(emu::DesktopPixel(76, 76), emu::DesktopColour); // corner of the box
    // Symmetric about the box's centre line (76 + 124) / 2 = 100: pixel x,
    // whose centre is x + 0.5, mirrors to 2 * 100 - (x + 0.5) - 0.5 = 199 - x.
    for (int y = 76; y < 124; ++y) {
        for (int x = 76; x < 100; ++x) {
            ASSERT_EQ(emu::DesktopPixel(x, y), emu::DesktopPixel(199 - x, y)) << x << "," << y;
            ASSERT_EQ(emu::DesktopPixel(x, y), emu::DesktopPixel(x, 199 - y)) << x << "," << y;
        }
    }

    // A null brush leaves the inside alone.
    SelectObject(desktop, GetStockObject(NULL_BRUSH));
    Ellipse(desktop, 200, 200, 220, 220);
    EXPECT_EQ(emu::DesktopPixel(210, 210), emu::DesktopColour);
    EXPECT_EQ(emu::DesktopPixel(200, 210), Red);

    SelectObject(desktop, oldBrush);
    SelectObject(desktop, oldPen);
    EXPECT_TRUE(DeleteObject(pen));
}

TEST_F(GdiTest, LineToLeavesOutItsEndPointAndWidensAcrossTheLine) {
    MoveToEx(desktop, 10, 10, nullptr);
    LineTo(desktop, 10, 20);
    // From y = 10 up to, not including, the end point 20: 10 to 19.
    EXPECT_EQ(emu::DesktopPixel(10, 10), Black);
    EXPECT_EQ(emu::DesktopPixel(10, 19), Black);
    EXPECT_EQ(emu::DesktopPixel(10, 20), emu::DesktopColour);
    EXPECT_EQ(emu::DesktopPixel(9, 15), emu::DesktopColour);

    POINT previous{};
    MoveToEx(desktop, 0, 0, &previous);
    EXPECT_EQ(previous.x, 10);
    EXPECT_EQ(previous.y, 20);

    HPEN wide = CreatePen(PS_SOLID, 2, RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(desktop, wide);
    MoveToEx(desktop, 50, 30, nullptr);
    LineTo(desktop, 50, 40);
    // Width 2 across a vertical line at x = 50: floor(2 / 2) = 1 column
    // before it (49) and the line itself (50), rows 30 to 40 - 1 = 39.
    EXPECT_EQ(ColumnsOf(Red, 30, 40, 60), (std::set<int>{49, 50}));
    EXPECT_EQ(ColumnsOf(Red, 39, 40, 60), (std::set<int>{49, 50}));
    EXPECT_TRUE(ColumnsOf(Red, 29, 40, 60).empty());
    EXPECT_TRUE(ColumnsOf(Red, 40, 40, 60).empty());

    MoveToEx(desktop, 60, 80, nullptr);
    LineTo(desktop, 70, 80);
    EXPECT_EQ(emu::DesktopPixel(60, 79), Red);
    EXPECT_EQ(emu::DesktopPixel(69, 80), Red);
    EXPECT_EQ(emu::DesktopPixel(70, 80), emu::DesktopColour);
    EXPECT_EQ(emu::DesktopPixel(65, 81), emu::DesktopColour);
    EXPECT_EQ(emu::DesktopPixel(65, 78), emu::DesktopColour);

    SelectObject(desktop, old);
    DeleteObject(wide);
}

TEST_F(GdiTest, EtchedEdgeIsASunkenOuterAndARaisedInnerLine) {
    RECT frame{10, 10, 50, 30};
    EXPECT_TRUE(DrawEdge(desktop, &frame, EDGE_ETCHED, BF_RECT));

    EXPECT_EQ(emu::DesktopPixel(20, 10), Shadow); // top, outer
    EXPECT_EQ(emu::DesktopPixel(20, 11), White);  // top, inner
    EXPECT_EQ(emu::DesktopPixel(10, 20), Shadow); // left, outer
    EXPECT_EQ(emu::DesktopPixel(11, 20), White);  // left, inner
    EXPECT_EQ(emu::DesktopPixel(20, 29), White);  // bottom, outer
    EXPECT_EQ(emu::DesktopPixel(20, 28), Shadow); // bottom, inner
    EXPECT_EQ(emu::DesktopPixel(49, 20), White);  // right, outer
    EXPECT_EQ(emu::DesktopPixel(48, 20), Shadow); // right, inner
    // Corners: the bottom and right lines are drawn last.
    EXPECT_EQ(emu::DesktopPixel(10, 10), Shadow);
    EXPECT_EQ(emu::DesktopPixel(49, 10), White);
    EXPECT_EQ(emu::DesktopPixel(10, 29), White);
    EXPECT_EQ(emu::DesktopPixel(48, 11), Shadow);
    EXPECT_EQ(emu::DesktopPixel(11, 28), Shadow);
    // Nothing outside, the inside not filled.
    EXPECT_EQ(emu::DesktopPixel(9, 20), emu::DesktopColour);
    EXPECT_EQ(emu::DesktopPixel(50, 20), emu::DesktopColour);
    EXPECT_EQ(emu::DesktopPixel(20, 30), emu::DesktopColour);
    EXPECT_EQ(emu::DesktopPixel(30, 20), emu::DesktopColour);
    EXPECT_EQ(frame.left, 10); // no BF_ADJUST
}

TEST_F(GdiTest, BitBltCopiesWhatLiesInsideBothSurfaces) {
    RECT block{0, 0, 30, 30};
    FillRect(desktop, &block, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetPixel(desktop, 0, 0, RGB(255, 0, 0));

    HDC memory = CreateCompatibleDC(desktop);
    HBITMAP bitmap = CreateCompatibleBitmap(desktop, 52, 52);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    ASSERT_NE(oldBitmap, nullptr);
    // Half of the source lies off the desktop: those pixels keep the bitmap's.
    EXPECT_TRUE(BitBlt(memory, 0, 0, 50, 50, desktop, -10, -10, SRCCOPY));
    EXPECT_EQ(GetPixel(memory, 10, 10), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(memory, 39, 39), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(memory, 5, 5), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(memory, 52, 0), ClrInvalid);

    // Back to the desktop at its edge: what falls off is dropped.
    RECT grey{0, 0, 60, 60};
    FillRect(desktop, &grey, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    EXPECT_TRUE(BitBlt(desktop, -10, -10, 50, 50, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(emu::DesktopPixel(0, 0), Red);
    EXPECT_EQ(emu::DesktopPixel(29, 29), White);
    EXPECT_EQ(emu::DesktopPixel(40, 40), Shadow);

    // Overlapping source and destination in one surface.
    EXPECT_TRUE(BitBlt(desktop, 1, 0, 30, 1, desktop, 0, 0, SRCCOPY));
    EXPECT_EQ(emu::DesktopPixel(1, 0), Red);
    EXPECT_EQ(emu::DesktopPixel(2, 0), White);

    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

TEST_F(GdiTest, MemoryDCStartsMonochrome) {
    HDC memory = CreateCompatibleDC(nullptr);
    // A bitmap compatible with the fresh memory DC is monochrome too.
    HBITMAP mono = CreateCompatibleBitmap(memory, 4, 4);
    HGDIOBJ old = SelectObject(memory, mono);
    EXPECT_EQ(SetPixel(memory, 0, 0, RGB(200, 200, 200)), RGB(255, 255, 255));
    EXPECT_EQ(SetPixel(memory, 1, 0, RGB(40, 0, 0)), RGB(0, 0, 0));
    // Colour to monochrome: the source's background colour becomes white.
    SetPixel(desktop, 0, 0, RGB(255, 255, 255));
    SetPixel(desktop, 1, 0, RGB(255, 0, 0));
    BitBlt(memory, 0, 1, 2, 1, desktop, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(memory, 0, 1), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(memory, 1, 1), RGB(0, 0, 0));
    // Monochrome to colour: white takes the background colour, black the text colour.
    SetBkColor(desktop, RGB(0, 0, 255));
    SetTextColor(desktop, RGB(0, 255, 0));
    BitBlt(desktop, 10, 10, 2, 1, memory, 0, 1, SRCCOPY);
    EXPECT_EQ(emu::DesktopPixel(10, 10), 0x0000FFu);
    EXPECT_EQ(emu::DesktopPixel(11, 10), 0x00FF00u);
    SelectObject(memory, old);
    DeleteObject(mono);
    DeleteDC(memory);
}

TEST_F(GdiTest, AccountingCountsWhatTheProgramCreatedAndDidNotGiveBack) {
    EXPECT_EQ(emu::LiveDCs(), 1); // the fixture's desktop DC
    EXPECT_EQ(emu::LiveGdiObjects(), 0);

    // Stock objects never count, and deleting them is a harmless success.
    for (int stock : {WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, BLACK_BRUSH, NULL_BRUSH, WHITE_PEN,
                      BLACK_PEN, NULL_PEN, SYSTEM_FONT, DEFAULT_GUI_FONT}) {
        ASSERT_NE(GetStockObject(stock), nullptr) << stock;
        EXPECT_TRUE(DeleteObject(GetStockObject(stock))) << stock;
        EXPECT_NE(GetStockObject(stock), nullptr) << stock;
    }
    EXPECT_EQ(emu::LiveGdiObjects(), 0);

    HPEN pen = CreatePen(PS_SOLID, 2, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    EXPECT_EQ(emu::LiveGdiObjects(), 2);

    // Selected objects cannot be deleted.
    HGDIOBJ oldPen = SelectObject(desktop, pen);
    EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(SelectObject(desktop, oldPen), pen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_FALSE(DeleteObject(pen)); // gone
    EXPECT_EQ(SelectObject(desktop, pen), nullptr);
    EXPECT_TRUE(DeleteObject(brush));

    // A bitmap lives in one memory DC at a time and never in a window DC.
    HDC first = CreateCompatibleDC(desktop);
    HDC second = CreateCompatibleDC(desktop);
    HBITMAP bitmap = CreateCompatibleBitmap(desktop, 8, 8);
    EXPECT_EQ(SelectObject(desktop, bitmap), nullptr);
    HGDIOBJ defaultBitmap = SelectObject(first, bitmap);
    EXPECT_NE(defaultBitmap, nullptr);
    EXPECT_EQ(SelectObject(second, bitmap), nullptr);
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(emu::LiveDCs(), 3);
    // Deleting the DC lets go of its bitmap, which is still the program's to delete.
    EXPECT_TRUE(DeleteDC(first));
    EXPECT_EQ(emu::LiveGdiObjects(), 1);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(second));

    // A DC from GetDC goes back with ReleaseDC only.
    EXPECT_FALSE(DeleteDC(desktop));
    EXPECT_EQ(ReleaseDC(nullptr, desktop), 1);
    EXPECT_EQ(ReleaseDC(nullptr, desktop), 0);
    desktop = nullptr;
    EXPECT_EQ(emu::LiveDCs(), 0);
    EXPECT_EQ(emu::LiveGdiObjects(), 0) << emu::DescribeLiveGdi();
}

TEST_F(GdiTest, InjectedFailuresHitOnlyTheNextCalls) {
    emu::FailCreateCompatibleDC();
    EXPECT_EQ(CreateCompatibleDC(desktop), nullptr);
    HDC memory = CreateCompatibleDC(desktop);
    ASSERT_NE(memory, nullptr);

    emu::FailCreateCompatibleBitmap(2);
    EXPECT_EQ(CreateCompatibleBitmap(desktop, 52, 52), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(desktop, 52, 52), nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(desktop, 52, 52);
    EXPECT_NE(bitmap, nullptr);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EXPECT_EQ(emu::LiveGdiObjects(), 0);
}

// The bounding box of the pixels of a colour within a rectangle; empty when none.
RECT BoxOf(std::uint32_t colour, const RECT& area) {
    RECT box{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (emu::DesktopPixel(x, y) == colour) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        }
    }
    return box;
}

TEST_F(GdiTest, DrawTextCentresOneLineAndCutsItAtTheRectangle) {
    RECT background{0, 0, 600, 100};
    FillRect(desktop, &background, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    EXPECT_EQ(SetBkMode(desktop, TRANSPARENT), OPAQUE);

    RECT row{100, 20, 440, 40};
    EXPECT_EQ(DrawTextA(desktop, "Touch", -1, &row, DT_CENTER), 13);
    const RECT shortText = BoxOf(Black, background);
    ASSERT_LT(shortText.left, shortText.right);
    EXPECT_GE(shortText.top, 20);
    EXPECT_LE(shortText.bottom, 40);
    // Centred: equal margins up to the glyphs' side bearings.
    EXPECT_NEAR(shortText.left - 100, 440 - shortText.right, 3);

    FillRect(desktop, &background, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    const char* longText = "A text far too long for its row, so that it runs out of the "
                           "rectangle on both sides and is cut there, not wrapped.";
    EXPECT_EQ(DrawTextA(desktop, longText, -1, &row, DT_CENTER), 13);
    const RECT cut = BoxOf(Black, background);
    EXPECT_GE(cut.left, 100);
    EXPECT_LE(cut.right, 440);
    EXPECT_LE(cut.left, 102);
    EXPECT_GE(cut.right, 438);
    EXPECT_LE(cut.bottom, 20 + 13); // one line only

    // A count of -1 and the explicit length draw the same; 0 draws nothing.
    RECT other{100, 50, 440, 70};
    DrawTextA(desktop, longText, static_cast<int>(std::strlen(longText)), &other, DT_CENTER);
    for (int y = 0; y < 20; ++y) {
        for (int x = 100; x < 440; x += 3) {
            ASSERT_EQ(emu::DesktopPixel(x, 50 + y) == Black, emu::DesktopPixel(x, 20 + y) == Black)
                << x << "," << y;
        }
    }
    EXPECT_EQ(DrawTextA(desktop, longText, 0, &other, DT_CENTER), 0);
    // Transparent: the grey between the letters stays.
    EXPECT_EQ(BoxOf(White, background).right, 0);
}

TEST_F(GdiTest, OpaqueTextFillsItsCellWithTheBackgroundColour) {
    SetBkColor(desktop, RGB(255, 255, 255));
    SetTextColor(desktop, RGB(255, 0, 0));
    RECT row{0, 0, 200, 40};
    DrawTextA(desktop, "Esc", -1, &row, 0);
    const RECT cell = BoxOf(White, RECT{0, 0, 300, 60});
    EXPECT_EQ(cell.left, 0);
    EXPECT_EQ(cell.top, 0);
    EXPECT_EQ(cell.bottom, 13);
    EXPECT_GT(cell.right, 10);
    EXPECT_LT(cell.right, 40);
    const RECT letters = BoxOf(Red, RECT{0, 0, 300, 60});
    EXPECT_GE(letters.left, cell.left);
    EXPECT_LE(letters.right, cell.right);
}

TEST_F(GdiTest, FillRectTakesBrushesAndSystemColourIndexes) {
    RECT r{5, 5, 8, 8};
    EXPECT_EQ(FillRect(desktop, &r, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH))), 1);
    EXPECT_EQ(emu::DesktopPixel(7, 7), LightGrey);
    EXPECT_EQ(emu::DesktopPixel(8, 7), emu::DesktopColour);
    constexpr int ColorBtnShadow = 16;
    EXPECT_EQ(FillRect(desktop, &r,
                       reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(ColorBtnShadow + 1))),
              1);
    EXPECT_EQ(emu::DesktopPixel(5, 5), Shadow);
}

TEST_F(GdiTest, WindowDCDrawsAtTheWindowClippedToIt) {
    HWND hwnd = PopupWindow(100, 50, 200, 100);
    ASSERT_NE(hwnd, nullptr);
    // Shown and painted: erased with the class brush.
    EXPECT_EQ(emu::DesktopPixel(100, 50), LightGrey);
    EXPECT_EQ(emu::DesktopPixel(299, 149), LightGrey);
    EXPECT_EQ(emu::DesktopPixel(300, 150), emu::DesktopColour);

    HDC dc = GetDC(hwnd);
    RECT all{-50, -50, 500, 500};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(emu::DesktopPixel(100, 50), Black);
    EXPECT_EQ(emu::DesktopPixel(299, 149), Black);
    EXPECT_EQ(emu::DesktopPixel(99, 50), emu::DesktopColour);
    EXPECT_EQ(emu::DesktopPixel(300, 100), emu::DesktopColour);
    EXPECT_EQ(emu::WindowPixel(hwnd, 0, 0), Black);
    EXPECT_EQ(GetPixel(dc, 200, 0), ClrInvalid);

    // A block saved across the window's edge comes back only inside it.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 52, 52);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT whole{0, 0, 52, 52};
    FillRect(memory, &whole, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    BitBlt(dc, -25, -25, 50, 50, memory, 0, 0, SRCCOPY);
    EXPECT_EQ(emu::DesktopPixel(100, 50), White);
    EXPECT_EQ(emu::DesktopPixel(124, 74), White);
    EXPECT_EQ(emu::DesktopPixel(125, 74), Black);
    EXPECT_EQ(emu::DesktopPixel(99, 49), emu::DesktopColour);

    // Invalidated with erase: the paint cycle erases the update region only.
    RECT part{30, 30, 40, 40};
    InvalidateRect(hwnd, &part, TRUE);
    SendMessageA(hwnd, WM_PAINT, 0, 0);
    EXPECT_EQ(emu::WindowPixel(hwnd, 30, 30), LightGrey);
    EXPECT_EQ(emu::WindowPixel(hwnd, 39, 39), LightGrey);
    EXPECT_EQ(emu::WindowPixel(hwnd, 40, 40), Black);
    EXPECT_EQ(emu::WindowPixel(hwnd, 29, 30), Black);

    // A hidden window draws nothing.
    ShowWindow(hwnd, SW_HIDE);
    const std::uint32_t hidden = emu::WindowPixel(hwnd, 50, 50);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(emu::WindowPixel(hwnd, 50, 50), hidden);
    EXPECT_NE(hidden, White);

    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EXPECT_EQ(ReleaseDC(hwnd, dc), 1);
    DestroyWindow(hwnd);
    EXPECT_EQ(emu::LiveDCs(), 1);
    EXPECT_EQ(emu::LiveGdiObjects(), 0);
}

// A window as wide as the 32-bit range ends with it; what the program draws
// at its far edge lies beyond the range on the desktop and is cut there.
TEST_F(GdiTest, WindowReachingTheEndOfTheCoordinateRange) {
    HWND hwnd = PopupWindow(100, 0, INT32_MAX, 100);
    ASSERT_NE(hwnd, nullptr);
    RECT window{};
    GetWindowRect(hwnd, &window);
    EXPECT_EQ(window.left, 100);
    EXPECT_EQ(window.right, INT32_MAX);
    EXPECT_EQ(emu::DesktopPixel(100, 0), LightGrey);

    HDC dc = GetDC(hwnd);
    HGDIOBJ pen = SelectObject(dc, GetStockObject(BLACK_PEN));
    EXPECT_TRUE(Rectangle(dc, -100, 10, INT32_MAX, 20));
    EXPECT_TRUE(Rectangle(dc, INT32_MAX, 30, INT32_MAX, 40)); // empty boxes at both ends
    EXPECT_TRUE(Rectangle(dc, INT32_MIN, 50, INT32_MIN, 60));
    EXPECT_EQ(emu::DesktopPixel(99, 15), emu::DesktopColour);
    EXPECT_EQ(emu::WindowPixel(hwnd, 0, 10), Black);
    EXPECT_EQ(emu::WindowPixel(hwnd, 0, 15), White);
    EXPECT_EQ(emu::WindowPixel(hwnd, 0, 19), Black);
    EXPECT_EQ(emu::WindowPixel(hwnd, 0, 35), LightGrey);
    SelectObject(dc, pen);
    ReleaseDC(hwnd, dc);
    DestroyWindow(hwnd);
    EXPECT_EQ(emu::LiveGdiObjects(), 0);
}

TEST_F(GdiTest, BeginPaintReportsWhetherTheBackgroundWasErased) {
    HWND hwnd = PopupWindow(0, 0, 100, 100);
    InvalidateRect(hwnd, nullptr, TRUE);
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(ps.hdc, dc);
    EXPECT_FALSE(ps.fErase); // DefWindowProcA erased it
    EXPECT_EQ(ps.rcPaint.right, 100);
    EXPECT_EQ(emu::LiveDCs(), 2);
    EndPaint(hwnd, &ps);
    EXPECT_EQ(emu::LiveDCs(), 1);

    // Nothing invalid: an empty paint rectangle and nothing drawn.
    BeginPaint(hwnd, &ps);
    EXPECT_EQ(ps.rcPaint.right - ps.rcPaint.left, 0);
    RECT all{0, 0, 100, 100};
    FillRect(ps.hdc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(emu::WindowPixel(hwnd, 50, 50), LightGrey);
    EndPaint(hwnd, &ps);
    DestroyWindow(hwnd);
}

TEST_F(GdiTest, ScreenshotDrawsDialogsOverACopyOfTheDesktop) {
    emu::Machine().desktopWidth = 320;
    emu::Machine().desktopHeight = 200;
    SetPixel(desktop, 5, 5, RGB(255, 0, 0));

    emu::Image plain = emu::ComposeScreen();
    ASSERT_EQ(plain.width, 320);
    ASSERT_EQ(plain.height, 200);
    EXPECT_EQ(plain.At(5, 5), Red);
    EXPECT_EQ(plain.At(100, 100), emu::DesktopColour);

    const std::string path =
        (std::filesystem::temp_directory_path() / "vintoq_gdi_screenshot.png").string();
    ASSERT_TRUE(emu::WriteScreenshot(path));
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&png, path.c_str()));
    EXPECT_EQ(png.width, 320u);
    EXPECT_EQ(png.height, 200u);
    png_image_free(&png);
    std::remove(path.c_str());
    EXPECT_FALSE(emu::WriteScreenshot("/nonexistent-directory/shot.png"));
}

INT_PTR CALLBACK ClosingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

TEST_F(GdiTest, DialogsAppearInTheScreenshotOnlyNeverInTheFramebuffer) {
    emu::DialogTemplate tpl;
    tpl.style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME;
    tpl.cx = 160;
    tpl.cy = 80;
    tpl.caption = "Check";
    emu::DialogItemTemplate text;
    text.style = WS_CHILD | WS_VISIBLE | SS_LEFT;
    text.x = 10;
    text.y = 10;
    text.cx = 140;
    text.cy = 20;
    text.id = 100;
    text.className = "STATIC";
    text.text = "Does the cursor follow?";
    emu::DialogItemTemplate button = text;
    button.style = WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON;
    button.y = 50;
    button.cx = 50;
    button.cy = 14;
    button.id = IDOK;
    button.className = "BUTTON";
    button.text = "&Yes";
    tpl.items = {text, button};

    bool seen = false;
    emu::ScreenshotHook() = [&](const std::string&) {
        const std::vector<emu::WindowView> windows = emu::VisibleTopLevelWindows();
        ASSERT_FALSE(windows.empty());
        const emu::WindowView& dialog = windows.back();
        const emu::Image screen = emu::ComposeScreen();
        const int x = dialog.rect.left + 8;
        const int y = dialog.rect.bottom - 8;
        EXPECT_EQ(screen.At(x, y), LightGrey);
        EXPECT_EQ(emu::DesktopPixel(x, y), emu::DesktopColour);
        // The caption bar, and dark text somewhere in the body.
        EXPECT_EQ(screen.At(dialog.rect.left + 10, dialog.rect.top + 6), 0x000080u);
        int dark = 0;
        for (int py = dialog.rect.top + 25; py < dialog.rect.bottom; ++py) {
            for (int px = dialog.rect.left; px < dialog.rect.right; ++px) {
                dark += screen.At(px, py) == Black ? 1 : 0;
            }
        }
        EXPECT_GT(dark, 20);
        seen = true;
    };
    const INT_PTR result = emu::DialogBoxFromTemplate(Context.InstanceHandle, tpl, "Check", nullptr,
                                                      ClosingDialogProc, 0);
    emu::ScreenshotHook() = nullptr;
    EXPECT_TRUE(seen);
    EXPECT_EQ(result, IDOK);
}

} // namespace
