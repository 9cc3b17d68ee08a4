// Inside the emulated GDI: pixel surfaces, clipped drawing targets and the
// text renderer, shared by the GDI calls and the screenshot.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>
#include <vector>

namespace emu::gdi {

// Pixels of the desktop or of a bitmap, 0x00RRGGBB. A monochrome surface holds
// only 0x000000 and 0xFFFFFF.
struct Surface {
    int width = 0;
    int height = 0;
    bool mono = false;
    std::vector<std::uint32_t> pixels;

    void Resize(int w, int h, std::uint32_t fill);
    std::uint32_t Get(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    void Set(int x, int y, std::uint32_t rgb);
};

// A place to draw: logical (0, 0) lies at (originX, originY) of the surface;
// nothing outside `clip` (surface coordinates, already within the surface)
// is touched.
struct Canvas {
    Surface* surface = nullptr;
    // 64 bits: a window may lie anywhere in the 32-bit range and be drawn on
    // anywhere in it, and the sum must not overflow.
    std::int64_t originX = 0;
    std::int64_t originY = 0;
    RECT clip{};

    bool Contains(int x, int y) const; // logical coordinates
    void Plot(int x, int y, std::uint32_t rgb);
    void Fill(const RECT& logical, std::uint32_t rgb);
    // Clip reduced to a logical rectangle.
    Canvas ClippedTo(const RECT& logical) const;
};

// The desktop framebuffer, sized to the machine's desktop.
Surface& DesktopSurface();

RECT Intersect(const RECT& a, const RECT& b);
bool IsEmpty(const RECT& r);

std::uint32_t SysColour(int index);
constexpr int ColourBackground = 1;
constexpr int ColourActiveCaption = 2;
constexpr int ColourWindow = 5;
constexpr int ColourWindowText = 8;
constexpr int ColourCaptionText = 9;
constexpr int ColourBtnFace = 15;
constexpr int ColourBtnShadow = 16;
constexpr int ColourBtnText = 18;
constexpr int ColourBtnHighlight = 20;
constexpr int Colour3dDkShadow = 21;
constexpr int Colour3dLight = 22;

// DrawEdge without BF_DIAGONAL, BF_MIDDLE or BF_ADJUST; edge and flags as
// DrawEdge takes them.
void DrawRectEdge(Canvas& canvas, const RECT& rect, UINT edge, UINT flags);

// Text in the one font of the emulated desktop.
struct TextStyle {
    std::uint32_t colour = 0;
    bool opaque = true;
    std::uint32_t background = 0xFFFFFF;
};
constexpr UINT TextNoPrefix = 0x00000800; // DT_NOPREFIX
int LineHeight();
// DrawTextA on a canvas: Windows-1252 text, DT_CENTER, DT_RIGHT, DT_VCENTER,
// DT_BOTTOM, DT_SINGLELINE, DT_WORDBREAK, DT_NOCLIP, DT_CALCRECT, DT_NOPREFIX.
// Returns the height of the text; with DT_CALCRECT the rectangle is updated
// and nothing is drawn.
int DrawTextOn(Canvas& canvas, std::string_view text, RECT& rect, UINT format,
               const TextStyle& style);

} // namespace emu::gdi
