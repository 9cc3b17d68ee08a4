// Inside the emulated GDI, grouped by the file that owns each declaration.
// user32 and the screenshot use the sections marked for them; nothing here
// knows of windows: a display DC learns where it draws from its placement
// hook, which user32 gives it.
#pragma once

#include <windows.h>

#include "sdk.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string_view>
#include <vector>

namespace emu::gdi {

// --- surface.cpp: pixels and the clipped drawing targets ----------------------------

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

// A coordinate moved by an origin, kept within the 32-bit range: what lies
// beyond it lies beyond every surface too.
LONG Shifted(std::int64_t coordinate, std::int64_t origin);
RECT Intersect(const RECT& a, const RECT& b);
bool IsEmpty(const RECT& r);
RECT Bounds(const Surface& surface);

// The desktop framebuffer, sized to the machine's desktop.
Surface& DesktopSurface();
// Fills a desktop rectangle with the desktop colour, as the shell repaints
// what a window that went away had covered. For user32.
void RepaintDesktop(const RECT& rect);
void ResetSurface();

// --- objects.cpp: stock and created pens, brushes, bitmaps and fonts ----------------

enum class ObjectKind { Pen, Brush, Bitmap, Font };

struct Object {
    ObjectKind kind = ObjectKind::Pen;
    bool stock = false;
    int penWidth = 0;
    COLORREF colour = 0;
    bool hollow = false; // PS_NULL pen, NULL_BRUSH
    Surface bitmap;
};

// The 1 x 1 monochrome bitmap every new memory DC starts with.
constexpr int DefaultBitmapIndex = 21;

std::uintptr_t Key(const void* handle);
HGDIOBJ StockHandle(int index);
Object* FindObject(const void* handle);
// Objects and DCs take their handles from one series, as from one GDI table.
std::uintptr_t NewHandle();
HGDIOBJ AddObject(Object object);
void DescribeObjects(std::ostream& out);
void ResetObjects();

// What a pen or brush puts down. For user32 too.
struct Paint {
    bool valid = false;
    bool hollow = true;
    std::uint32_t rgb = 0;
    int width = 1;
};
COLORREF ColorrefOf(std::uint32_t rgb);
// A brush object; a system colour index + 1 is user32's to resolve.
Paint BrushPaint(HBRUSH brush);
Paint PenPaint(HGDIOBJ pen);

// --- text.cpp: the one font of the emulated desktop ---------------------------------

struct TextStyle {
    std::uint32_t colour = 0;
    bool opaque = true;
    std::uint32_t background = 0xFFFFFF;
};
int LineHeight();
// DrawTextA on a canvas: Windows-1252 text, DT_CENTER, DT_RIGHT, DT_VCENTER,
// DT_BOTTOM, DT_SINGLELINE, DT_WORDBREAK, DT_NOCLIP, DT_CALCRECT, DT_NOPREFIX.
// Returns the height of the text; with DT_CALCRECT the rectangle is updated
// and nothing is drawn. For user32's DrawTextA and the screenshot.
int DrawTextOn(Canvas& canvas, std::string_view text, RECT& rect, UINT format,
               const TextStyle& style);

// --- dc.cpp: device contexts ---------------------------------------------------------

// Where a display DC draws: logical (0, 0) at the origin, nothing outside the
// clip (desktop coordinates; empty: nowhere).
struct Placement {
    std::int64_t originX = 0;
    std::int64_t originY = 0;
    RECT clip{};
};
// Asked at every drawing call, so a DC follows its window wherever it moves.
using PlacementHook = Placement (*)(HDC hdc);

// For user32: a DC on the framebuffer, placed by the hook (none: the whole
// desktop); `what` names it in the accounting of tests. Closing it is
// user32's business (ReleaseDC, EndPaint); DeleteDC refuses it.
HDC OpenDisplayDc(PlacementHook placement, const char* what);
bool CloseDisplayDc(HDC hdc);

// A DC's drawing state as the drawing calls (GDI's and user32's) need it.
struct DcDrawing {
    Canvas canvas;
    Paint pen;
    Paint brush;
    TextStyle text;
    COLORREF bkColor = 0;
    COLORREF textColor = 0;
};
std::optional<DcDrawing> DrawingOf(HDC hdc);
std::optional<Canvas> CanvasOfDc(HDC hdc);
POINT* PenPosition(HDC hdc);
// Whether any DC has the object selected.
bool IsSelected(const void* handle);

// --- graphics.cpp: the drawing calls ------------------------------------------------

// Told of every ellipse that reaches the framebuffer, with its centre in
// desktop coordinates: the virtual user looks for the target this way.
using EllipseWitness = void (*)(HDC hdc, POINT centre);
void SetEllipseWitness(EllipseWitness witness);

} // namespace emu::gdi
