// The screen of the emulated desktop as tests inspect it: one framebuffer for
// the whole desktop, the accounting of DCs and GDI objects, and screenshots.
//
// Pixels here are 0x00RRGGBB (not COLORREF, which is 0x00BBGGRR); use
// emu::RgbOf(RGB(r, g, b)) to compare a pixel with a colour of the program.
//
// Drawing conventions of the emulated GDI:
// - Ellipse and Rectangle cover [left, right) x [top, bottom); a pen of width
//   w draws an outline w pixels wide inside that rectangle, the brush fills
//   what is inside the outline.
// - LineTo leaves out its end point. A pen of width w widens the line across
//   its main direction: floor(w / 2) pixels before the thin line and the rest
//   after it (width 2: the thin line and the row above or the column to its
//   left). Lines have no end caps.
// - DrawTextA uses one font for every stock font: the TrueType face named by
//   VINTOQ_FONT_FILE at 11 pixels per em, rendered without anti-aliasing,
//   with a 13-pixel line, like the 8-point system font at 96 dpi.
// - Dialogs, message boxes and their controls are not drawn into the
//   framebuffer (drawing on their DCs succeeds and changes nothing); the
//   screenshot draws them on top of a copy of it. Hidden windows draw
//   nothing either.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace emu {

void ResetGdi();

// The desktop's colour where no window has drawn (the classic teal).
constexpr std::uint32_t DesktopColour = 0x008080;
// Value of a pixel that is not on the desktop or window.
constexpr std::uint32_t NoPixel = 0xFFFFFFFF;

// 0x00RRGGBB of a COLORREF.
constexpr std::uint32_t RgbOf(COLORREF colour) {
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

// Pixel of the desktop framebuffer, desktop coordinates; NoPixel outside.
std::uint32_t DesktopPixel(int x, int y);
// Pixel of the framebuffer under a window's client area, client coordinates;
// NoPixel outside the client area or for a destroyed window.
std::uint32_t WindowPixel(HWND hwnd, int x, int y);

// Accounting. Objects: pens, brushes, bitmaps and fonts the program created
// and has not deleted; stock objects never count. DCs: those from GetDC and
// BeginPaint not yet released, and memory DCs not yet deleted.
int LiveGdiObjects();
int LiveDCs();
// One line per live object or DC, for test failure messages.
std::string DescribeLiveGdi();

// The screen as the user sees it: the desktop framebuffer with every visible
// top-level dialog and message box drawn over it.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels; // rows top-down, 0x00RRGGBB
    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};
Image ComposeScreen();
// Writes ComposeScreen() as an 8-bit RGB PNG. false when the file cannot be written.
bool WriteScreenshot(const std::string& path);

} // namespace emu
