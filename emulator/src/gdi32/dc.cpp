// The graphics device interface of the emulated desktop: the desktop
// framebuffer, device contexts, pens, brushes, bitmaps and stock objects, the
// GDI drawing calls and the painting calls of user32.
#include "emu/gdi.h"

#include "emu/machine.h"
#include "emu/resources.h"
#include "emu/window_manager.h"
#include "coordinates.h"
#include "gdi32/gdi_private.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>

namespace emu::gdi {

void Surface::Resize(int w, int h, std::uint32_t fill) {
    width = w;
    height = h;
    pixels.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill);
}

void Surface::Set(int x, int y, std::uint32_t rgb) {
    if (mono) {
        // The nearer of black and white, as GDI maps colours onto a
        // monochrome bitmap.
        const std::uint32_t sum = ((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF);
        rgb = sum * 2 > 765 ? 0xFFFFFF : 0x000000;
    }
    pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
           static_cast<std::size_t>(x)] = rgb;
}

namespace {
// A coordinate moved by an origin, kept within the 32-bit range: what lies
// beyond it lies beyond every surface too.
LONG Shifted(std::int64_t coordinate, std::int64_t origin) {
    return Saturate(coordinate + origin);
}
} // namespace

bool Canvas::Contains(int x, int y) const {
    const std::int64_t sx = x + originX;
    const std::int64_t sy = y + originY;
    return surface != nullptr && sx >= clip.left && sx < clip.right && sy >= clip.top &&
           sy < clip.bottom;
}

void Canvas::Plot(int x, int y, std::uint32_t rgb) {
    if (Contains(x, y)) {
        surface->Set(Shifted(x, originX), Shifted(y, originY), rgb);
    }
}

void Canvas::Fill(const RECT& logical, std::uint32_t rgb) {
    if (surface == nullptr) {
        return;
    }
    const RECT area =
        Intersect(clip, RECT{Shifted(logical.left, originX), Shifted(logical.top, originY),
                             Shifted(logical.right, originX), Shifted(logical.bottom, originY)});
    if (IsEmpty(area)) {
        return;
    }
    // Row by row rather than pixel by pixel: every window is erased whole
    // several times per screen, which made this the emulator's hot spot. The
    // first pixel of a row is set as any other, and the rest of the row takes
    // the value it was stored as (a monochrome surface maps the colour).
    for (int y = area.top; y < area.bottom; ++y) {
        surface->Set(area.left, y, rgb);
        const auto first =
            surface->pixels.begin() + static_cast<std::ptrdiff_t>(y) * surface->width + area.left;
        std::fill(first + 1, first + (area.right - area.left), *first);
    }
}

Canvas Canvas::ClippedTo(const RECT& logical) const {
    Canvas narrowed = *this;
    narrowed.clip =
        Intersect(clip, RECT{Shifted(logical.left, originX), Shifted(logical.top, originY),
                             Shifted(logical.right, originX), Shifted(logical.bottom, originY)});
    return narrowed;
}

RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (IsEmpty(r)) {
        return RECT{0, 0, 0, 0};
    }
    return r;
}

bool IsEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// The classic Windows colour scheme.
std::uint32_t SysColour(int index) {
    switch (index) {
    case ColourBackground: return DesktopColour;
    case ColourActiveCaption: return 0x000080;
    case ColourWindow: return 0xFFFFFF;
    case ColourWindowText: return 0x000000;
    case ColourCaptionText: return 0xFFFFFF;
    case ColourBtnFace: return 0xC0C0C0;
    case ColourBtnShadow: return 0x808080;
    case ColourBtnText: return 0x000000;
    case ColourBtnHighlight: return 0xFFFFFF;
    case Colour3dDkShadow: return 0x000000;
    case Colour3dLight: return 0xC0C0C0;
    default: return 0xC0C0C0;
    }
}

void DrawRectEdge(Canvas& canvas, const RECT& rect, UINT edge, UINT flags) {
    // Colours of the four lines by the low four bits of the edge (BDR_*), as
    // user32 picks them for the normal (not soft, flat or mono) look.
    constexpr int LTInner[16] = {-1,
                                 -1,
                                 -1,
                                 -1,
                                 -1,
                                 ColourBtnHighlight,
                                 ColourBtnHighlight,
                                 -1,
                                 -1,
                                 Colour3dDkShadow,
                                 Colour3dDkShadow,
                                 -1,
                                 -1,
                                 -1,
                                 -1,
                                 -1};
    constexpr int LTOuter[16] = {-1,
                                 Colour3dLight,
                                 ColourBtnShadow,
                                 -1,
                                 ColourBtnHighlight,
                                 Colour3dLight,
                                 ColourBtnShadow,
                                 -1,
                                 Colour3dDkShadow,
                                 Colour3dLight,
                                 ColourBtnShadow,
                                 -1,
                                 -1,
                                 Colour3dLight,
                                 ColourBtnShadow,
                                 -1};
    constexpr int RBInner[16] = {
        -1, -1, -1, -1, -1, ColourBtnShadow, ColourBtnShadow, -1, -1, Colour3dLight, Colour3dLight,
        -1, -1, -1, -1, -1};
    constexpr int RBOuter[16] = {-1,
                                 Colour3dDkShadow,
                                 ColourBtnHighlight,
                                 -1,
                                 ColourBtnShadow,
                                 Colour3dDkShadow,
                                 ColourBtnHighlight,
                                 -1,
                                 Colour3dLight,
                                 Colour3dDkShadow,
                                 ColourBtnHighlight,
                                 -1,
                                 -1,
                                 Colour3dDkShadow,
                                 ColourBtnHighlight,
                                 -1};
    const UINT index = edge & 0x0F;
    const LONG l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    const bool top = flags & BF_TOP, left = flags & BF_LEFT;
    const bool bottom = flags & BF_BOTTOM, right = flags & BF_RIGHT;
    auto line = [&](int colour, RECT area) {
        if (colour >= 0) {
            canvas.Fill(area, SysColour(colour));
        }
    };
    // Later lines overwrite the corners of earlier ones, in user32's order.
    if (top) {
        line(LTOuter[index], RECT{l, t, r, t + 1});
    }
    if (left) {
        line(LTOuter[index], RECT{l, t, l + 1, b});
    }
    if (bottom) {
        line(RBOuter[index], RECT{l, b - 1, r, b});
    }
    if (right) {
        line(RBOuter[index], RECT{r - 1, t, r, b});
    }
    const LONG ltPlus = top && left ? 1 : 0;
    const LONG rtPlus = top && right ? 1 : 0;
    const LONG lbPlus = bottom && left ? 1 : 0;
    const LONG rbPlus = bottom && right ? 1 : 0;
    if (top) {
        line(LTInner[index], RECT{l + ltPlus, t + 1, r - rtPlus, t + 2});
    }
    if (left) {
        line(LTInner[index], RECT{l + 1, t + ltPlus, l + 2, b - lbPlus});
    }
    if (bottom) {
        line(RBInner[index], RECT{l + lbPlus, b - 2, r - rbPlus, b - 1});
    }
    if (right) {
        line(RBInner[index], RECT{r - 2, t + rtPlus, r - 1, b - rbPlus});
    }
}

namespace {

enum class ObjectKind { Pen, Brush, Bitmap, Font };

struct Object {
    ObjectKind kind = ObjectKind::Pen;
    bool stock = false;
    int penWidth = 0;
    COLORREF colour = 0;
    bool hollow = false; // PS_NULL pen, NULL_BRUSH
    Surface bitmap;
};

enum class DcKind { Desktop, Window, Paint, Memory };

struct DeviceContext {
    DcKind kind = DcKind::Desktop;
    HWND hwnd = nullptr;
    RECT paintClip{}; // client coordinates, for BeginPaint's DC
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ bitmap = nullptr;
    int bkMode = OPAQUE;
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    POINT position{};
};

constexpr int PsNull = 5;
constexpr int PsLastStyle = 6; // PS_INSIDEFRAME
constexpr int DefaultBitmapIndex = 21;
constexpr int OemFixedFont = 10;
constexpr int MaxBitmapSide = 16384;
constexpr UINT BfMiddle = 0x0800;
constexpr UINT BfAdjust = 0x2000;
constexpr COLORREF ClrInvalid = 0xFFFFFFFF;
constexpr std::uintptr_t StockBase = 0x10000;
constexpr std::uintptr_t FirstHandle = 0x20000;
constexpr std::uintptr_t HandleStep = 16;

struct State {
    bool initialised = false;
    Surface desktop;
    std::map<std::uintptr_t, Object> objects;
    std::map<std::uintptr_t, DeviceContext> dcs;
    std::uintptr_t nextHandle = FirstHandle;
    int failCompatibleDC = 0;
    int failCompatibleBitmap = 0;
    std::optional<DrawnEllipse> lastEllipse;
};

State state;

std::uintptr_t Key(const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

HGDIOBJ StockHandle(int index) {
    return reinterpret_cast<HGDIOBJ>(StockBase + HandleStep * static_cast<std::uintptr_t>(index));
}

void AddStock(int index, Object object) {
    object.stock = true;
    state.objects[Key(StockHandle(index))] = std::move(object);
}

Object Brush(COLORREF colour, bool hollow = false) {
    Object o;
    o.kind = ObjectKind::Brush;
    o.colour = colour;
    o.hollow = hollow;
    return o;
}

Object Pen(COLORREF colour, bool hollow = false) {
    Object o;
    o.kind = ObjectKind::Pen;
    o.colour = colour;
    o.hollow = hollow;
    return o;
}

State& S() {
    if (!state.initialised) {
        state.initialised = true;
        AddStock(WHITE_BRUSH, Brush(RGB(255, 255, 255)));
        AddStock(LTGRAY_BRUSH, Brush(RGB(192, 192, 192)));
        AddStock(GRAY_BRUSH, Brush(RGB(128, 128, 128)));
        AddStock(DKGRAY_BRUSH, Brush(RGB(64, 64, 64)));
        AddStock(BLACK_BRUSH, Brush(RGB(0, 0, 0)));
        AddStock(NULL_BRUSH, Brush(0, true));
        AddStock(WHITE_PEN, Pen(RGB(255, 255, 255)));
        AddStock(BLACK_PEN, Pen(RGB(0, 0, 0)));
        AddStock(NULL_PEN, Pen(0, true));
        for (int font : {OemFixedFont, 11, 12, SYSTEM_FONT, 14, 16, DEFAULT_GUI_FONT}) {
            Object o;
            o.kind = ObjectKind::Font;
            AddStock(font, std::move(o));
        }
        // The 1 x 1 monochrome bitmap every new memory DC starts with.
        Object bitmap;
        bitmap.kind = ObjectKind::Bitmap;
        bitmap.bitmap.mono = true;
        bitmap.bitmap.Resize(1, 1, 0x000000);
        AddStock(DefaultBitmapIndex, std::move(bitmap));
    }
    return state;
}

Surface& Desktop() {
    Surface& desktop = S().desktop;
    const int w = std::max(0, Machine().desktopWidth);
    const int h = std::max(0, Machine().desktopHeight);
    if (desktop.width != w || desktop.height != h || desktop.pixels.empty()) {
        desktop.Resize(w, h, DesktopColour);
    }
    return desktop;
}

Object* Find(const void* handle) {
    auto found = S().objects.find(Key(handle));
    return found == S().objects.end() ? nullptr : &found->second;
}

DeviceContext* FindDc(HDC hdc) {
    auto found = S().dcs.find(Key(hdc));
    return found == S().dcs.end() ? nullptr : &found->second;
}

std::uintptr_t NewHandle() {
    const std::uintptr_t handle = S().nextHandle;
    S().nextHandle += HandleStep;
    return handle;
}

template <typename H> H AddObject(Object object) {
    const std::uintptr_t handle = NewHandle();
    S().objects[handle] = std::move(object);
    return reinterpret_cast<H>(handle);
}

HDC AddDc(DeviceContext dc) {
    dc.pen = StockHandle(BLACK_PEN);
    dc.brush = StockHandle(WHITE_BRUSH);
    dc.font = StockHandle(SYSTEM_FONT);
    if (dc.kind == DcKind::Memory) {
        dc.bitmap = StockHandle(DefaultBitmapIndex);
    }
    const std::uintptr_t handle = NewHandle();
    S().dcs[handle] = dc;
    return reinterpret_cast<HDC>(handle);
}

bool IsSelected(const void* handle) {
    for (const auto& [key, dc] : S().dcs) {
        if (dc.pen == handle || dc.brush == handle || dc.font == handle || dc.bitmap == handle) {
            return true;
        }
    }
    return false;
}

RECT Bounds(const Surface& surface) {
    return RECT{0, 0, surface.width, surface.height};
}

// The client area of a window in desktop coordinates. The frame is as wide
// on the left, right and bottom; the caption and menu bar add to the top only.
RECT ClientOnDesktop(const WindowView& view) {
    RECT client{};
    GetClientRect(view.hwnd, &client);
    const RECT& r = view.rect;
    const std::int64_t side =
        std::max<std::int64_t>(0, (std::int64_t{r.right} - r.left - client.right) / 2);
    const std::int64_t above =
        std::max<std::int64_t>(0, std::int64_t{r.bottom} - r.top - client.bottom - side);
    const LONG left = Plus(r.left, side);
    const LONG top = Plus(r.top, above);
    return RECT{left, top, Plus(left, client.right), Plus(top, client.bottom)};
}

// The client area of a window when what is drawn on it goes into the
// framebuffer: not for hidden or destroyed windows, and not for dialogs,
// message boxes and their controls, which only the screenshot draws.
std::optional<RECT> DrawableClient(HWND hwnd) {
    const std::optional<WindowView> view = ViewOf(hwnd);
    if (!view || !view->visible) {
        return std::nullopt;
    }
    std::optional<WindowView> root = view;
    while (root && root->parent != nullptr) {
        root = ViewOf(root->parent);
    }
    if (!root || root->kind == WindowKind::Dialog || root->kind == WindowKind::MessageBox) {
        return std::nullopt;
    }
    return ClientOnDesktop(*view);
}

// Where a DC draws. A window's DC draws on the desktop at the window's client
// area, clipped to it (and to the update region for BeginPaint's DC).
Canvas CanvasOf(const DeviceContext& dc) {
    Canvas canvas;
    switch (dc.kind) {
    case DcKind::Desktop:
        canvas.surface = &Desktop();
        canvas.clip = Bounds(*canvas.surface);
        break;
    case DcKind::Memory: {
        Object* bitmap = Find(dc.bitmap);
        canvas.surface = &bitmap->bitmap;
        canvas.clip = Bounds(*canvas.surface);
        break;
    }
    case DcKind::Window:
    case DcKind::Paint: {
        canvas.surface = &Desktop();
        const std::optional<RECT> client = DrawableClient(dc.hwnd);
        if (!client) {
            canvas.clip = RECT{0, 0, 0, 0};
            break;
        }
        canvas.originX = client->left;
        canvas.originY = client->top;
        canvas.clip = Intersect(*client, Bounds(*canvas.surface));
        if (dc.kind == DcKind::Paint) {
            canvas = canvas.ClippedTo(dc.paintClip);
        }
        break;
    }
    }
    return canvas;
}

COLORREF ColorrefOf(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

struct Paint {
    bool valid = false;
    bool hollow = true;
    std::uint32_t rgb = 0;
    int width = 1;
};

// A brush handle, or a system colour index + 1 as window classes give it.
Paint BrushPaint(HBRUSH brush) {
    const std::uintptr_t value = Key(brush);
    if (value > 0 && value <= 31) {
        return Paint{true, false, SysColour(static_cast<int>(value) - 1), 1};
    }
    const Object* object = Find(brush);
    if (object == nullptr || object->kind != ObjectKind::Brush) {
        return Paint{};
    }
    return Paint{true, object->hollow, RgbOf(object->colour), 1};
}

Paint PenPaint(const DeviceContext& dc) {
    const Object* object = Find(dc.pen);
    return Paint{true, object->hollow, RgbOf(object->colour), std::max(1, object->penWidth)};
}

// A thin line from (x0, y0) towards (x1, y1) without the end point, widened
// across its main direction for wide pens.
void DrawLine(Canvas& canvas, int x0, int y0, int x1, int y1, const Paint& pen) {
    if (pen.hollow) {
        return;
    }
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    const bool horizontal = dx >= -dy;
    const int before = pen.width / 2;
    int err = dx + dy;
    int x = x0, y = y0;
    while (x != x1 || y != y1) {
        for (int k = 0; k < pen.width; ++k) {
            if (horizontal) {
                canvas.Plot(x, y - before + k, pen.rgb);
            } else {
                canvas.Plot(x - before + k, y, pen.rgb);
            }
        }
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

RECT Normalised(int left, int top, int right, int bottom) {
    return RECT{std::min(left, right), std::min(top, bottom), std::max(left, right),
                std::max(top, bottom)};
}

// The middle of a span moved by an origin. A program may draw anywhere in the
// 32-bit range (a window placed far off the desktop): the sum is taken in 64
// bits and the centre kept within the range.
LONG Middle(int low, int high, std::int64_t origin) {
    return Shifted((std::int64_t{low} + high) / 2, origin);
}

} // namespace
} // namespace emu::gdi

using emu::Minus;
using emu::Plus;
using emu::RgbOf;
using namespace emu::gdi;

// --- GDI objects -------------------------------------------------------------

HGDIOBJ WINAPI GetStockObject(int i) {
    return Find(StockHandle(i)) != nullptr && i != DefaultBitmapIndex ? StockHandle(i) : nullptr;
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
    if (iStyle < PS_SOLID || iStyle > PsLastStyle) {
        return nullptr;
    }
    Object pen = Pen(color & 0xFFFFFF, iStyle == PsNull);
    pen.penWidth = std::max(0, cWidth);
    return AddObject<HPEN>(std::move(pen));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    return AddObject<HBRUSH>(Brush(color & 0xFFFFFF));
}

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    DeviceContext* dc = FindDc(hdc);
    Object* object = Find(h);
    if (dc == nullptr || object == nullptr) {
        return nullptr;
    }
    HGDIOBJ* slot = nullptr;
    switch (object->kind) {
    case ObjectKind::Pen: slot = &dc->pen; break;
    case ObjectKind::Brush: slot = &dc->brush; break;
    case ObjectKind::Font: slot = &dc->font; break;
    case ObjectKind::Bitmap:
        // Only memory DCs take bitmaps, and a bitmap lives in one DC at a time.
        if (dc->kind != DcKind::Memory) {
            return nullptr;
        }
        if (!object->stock && dc->bitmap != h && IsSelected(h)) {
            return nullptr;
        }
        slot = &dc->bitmap;
        break;
    }
    HGDIOBJ previous = *slot;
    *slot = h;
    return previous;
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    Object* object = Find(ho);
    if (object == nullptr) {
        return FALSE;
    }
    if (object->stock) {
        return TRUE;
    }
    if (IsSelected(ho)) {
        return FALSE;
    }
    S().objects.erase(Key(ho));
    return TRUE;
}

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    if (hdc != nullptr && FindDc(hdc) == nullptr) {
        return nullptr;
    }
    if (S().failCompatibleDC > 0) {
        --S().failCompatibleDC;
        return nullptr;
    }
    DeviceContext dc;
    dc.kind = DcKind::Memory;
    return AddDc(dc);
}

HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    const DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr || cx < 0 || cy < 0 || cx > MaxBitmapSide || cy > MaxBitmapSide) {
        return nullptr;
    }
    if (S().failCompatibleBitmap > 0) {
        --S().failCompatibleBitmap;
        return nullptr;
    }
    if (cx == 0 || cy == 0) {
        return static_cast<HBITMAP>(StockHandle(DefaultBitmapIndex));
    }
    // A memory DC's bitmap sets its format: a fresh one is monochrome.
    const bool mono = dc->kind == DcKind::Memory && Find(dc->bitmap)->bitmap.mono;
    Object bitmap;
    bitmap.kind = ObjectKind::Bitmap;
    bitmap.bitmap.mono = mono;
    bitmap.bitmap.Resize(cx, cy, 0x000000);
    return AddObject<HBITMAP>(std::move(bitmap));
}

BOOL WINAPI DeleteDC(HDC hdc) {
    const DeviceContext* dc = FindDc(hdc);
    // A window's DC goes back with ReleaseDC or EndPaint.
    if (dc == nullptr || dc->kind != DcKind::Memory) {
        return FALSE;
    }
    S().dcs.erase(Key(hdc));
    return TRUE;
}

// --- GDI drawing ---------------------------------------------------------------

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    DeviceContext* dst = FindDc(hdc);
    DeviceContext* src = FindDc(hdcSrc);
    if (dst == nullptr || src == nullptr || rop != SRCCOPY) {
        return FALSE;
    }
    if (cx <= 0 || cy <= 0) {
        return TRUE;
    }
    Canvas to = CanvasOf(*dst);
    const Canvas from = CanvasOf(*src);
    // The source is read wherever its surface has pixels (a window DC reads
    // the screen); only the destination is clipped.
    const Surface& in = *from.surface;
    std::vector<std::optional<std::uint32_t>> block(static_cast<std::size_t>(cx) *
                                                    static_cast<std::size_t>(cy));
    for (int j = 0; j < cy; ++j) {
        for (int i = 0; i < cx; ++i) {
            const std::int64_t sx = std::int64_t{x1} + i + from.originX;
            const std::int64_t sy = std::int64_t{y1} + j + from.originY;
            if (sx < 0 || sy < 0 || sx >= in.width || sy >= in.height) {
                continue;
            }
            std::uint32_t rgb = in.Get(static_cast<int>(sx), static_cast<int>(sy));
            if (in.mono && !to.surface->mono) {
                rgb = RgbOf(rgb != 0 ? dst->bkColor : dst->textColor);
            } else if (!in.mono && to.surface->mono) {
                rgb = rgb == RgbOf(src->bkColor) ? 0xFFFFFF : 0x000000;
            }
            block[static_cast<std::size_t>(j * cx + i)] = rgb;
        }
    }
    for (int j = 0; j < cy; ++j) {
        for (int i = 0; i < cx; ++i) {
            if (const auto& rgb = block[static_cast<std::size_t>(j * cx + i)]) {
                to.Plot(x + i, y + j, *rgb);
            }
        }
    }
    return TRUE;
}

BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr) {
        return FALSE;
    }
    Canvas canvas = CanvasOf(*dc);
    const Paint pen = PenPaint(*dc);
    const Paint brush = BrushPaint(static_cast<HBRUSH>(dc->brush));
    const RECT box = Normalised(left, top, right, bottom);
    if (canvas.surface == &Desktop() && !IsEmpty(canvas.clip)) {
        S().lastEllipse = emu::DrawnEllipse{POINT{Middle(box.left, box.right, canvas.originX),
                                                  Middle(box.top, box.bottom, canvas.originY)},
                                            dc->hwnd};
    }
    const double a = (static_cast<double>(box.right) - box.left) / 2.0;
    const double b = (static_cast<double>(box.bottom) - box.top) / 2.0;
    const double cx = (static_cast<double>(box.left) + box.right) / 2.0;
    const double cy = (static_cast<double>(box.top) + box.bottom) / 2.0;
    const int band = pen.hollow ? 0 : pen.width;
    const double ia = a - band, ib = b - band;
    for (int py = box.top; py < box.bottom; ++py) {
        for (int px = box.left; px < box.right; ++px) {
            // Pixel centres decide, so the shape is symmetric in its box.
            const double dx = px + 0.5 - cx, dy = py + 0.5 - cy;
            if ((dx * dx) / (a * a) + (dy * dy) / (b * b) > 1.0) {
                continue;
            }
            const bool inside =
                ia > 0 && ib > 0 && (dx * dx) / (ia * ia) + (dy * dy) / (ib * ib) <= 1.0;
            if (inside || band == 0) {
                if (!brush.hollow) {
                    canvas.Plot(px, py, brush.rgb);
                }
            } else {
                canvas.Plot(px, py, pen.rgb);
            }
        }
    }
    return TRUE;
}

BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr) {
        return FALSE;
    }
    Canvas canvas = CanvasOf(*dc);
    const Paint pen = PenPaint(*dc);
    const Paint brush = BrushPaint(static_cast<HBRUSH>(dc->brush));
    const RECT box = Normalised(left, top, right, bottom);
    const int band = pen.hollow ? 0 : pen.width;
    if (!brush.hollow) {
        canvas.Fill(RECT{Plus(box.left, band), Plus(box.top, band), Minus(box.right, band),
                         Minus(box.bottom, band)},
                    brush.rgb);
    }
    if (band > 0) {
        canvas.Fill(RECT{box.left, box.top, box.right, Plus(box.top, band)}, pen.rgb);
        canvas.Fill(RECT{box.left, Minus(box.bottom, band), box.right, box.bottom}, pen.rgb);
        canvas.Fill(RECT{box.left, box.top, Plus(box.left, band), box.bottom}, pen.rgb);
        canvas.Fill(RECT{Minus(box.right, band), box.top, box.right, box.bottom}, pen.rgb);
    }
    return TRUE;
}

BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr) {
        return FALSE;
    }
    if (lppt != nullptr) {
        *lppt = dc->position;
    }
    dc->position = POINT{x, y};
    return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr) {
        return FALSE;
    }
    Canvas canvas = CanvasOf(*dc);
    DrawLine(canvas, dc->position.x, dc->position.y, x, y, PenPaint(*dc));
    dc->position = POINT{x, y};
    return TRUE;
}

int WINAPI SetBkMode(HDC hdc, int mode) {
    DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) {
        return 0;
    }
    const int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

int WINAPI GetBkMode(HDC hdc) {
    const DeviceContext* dc = FindDc(hdc);
    return dc == nullptr ? 0 : dc->bkMode;
}

COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr) {
        return ClrInvalid;
    }
    const COLORREF previous = dc->textColor;
    dc->textColor = color & 0xFFFFFF;
    return previous;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr) {
        return ClrInvalid;
    }
    const COLORREF previous = dc->bkColor;
    dc->bkColor = color & 0xFFFFFF;
    return previous;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    const DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr) {
        return ClrInvalid;
    }
    const Canvas canvas = CanvasOf(*dc);
    if (!canvas.Contains(x, y)) {
        return ClrInvalid;
    }
    return ColorrefOf(canvas.surface->Get(Shifted(x, canvas.originX), Shifted(y, canvas.originY)));
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    const DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr) {
        return ClrInvalid;
    }
    Canvas canvas = CanvasOf(*dc);
    if (!canvas.Contains(x, y)) {
        return ClrInvalid;
    }
    canvas.Plot(x, y, RgbOf(color));
    return ColorrefOf(canvas.surface->Get(Shifted(x, canvas.originX), Shifted(y, canvas.originY)));
}

// --- Painting (user32) -----------------------------------------------------------

HDC WINAPI GetDC(HWND hWnd) {
    DeviceContext dc;
    if (hWnd != nullptr) {
        if (!emu::ViewOf(hWnd)) {
            return nullptr;
        }
        dc.kind = DcKind::Window;
        dc.hwnd = hWnd;
    }
    return AddDc(dc);
}

int WINAPI ReleaseDC(HWND, HDC hDC) {
    const DeviceContext* dc = FindDc(hDC);
    if (dc == nullptr || (dc->kind != DcKind::Window && dc->kind != DcKind::Desktop)) {
        return 0;
    }
    S().dcs.erase(Key(hDC));
    return 1;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (lpPaint == nullptr || !emu::ViewOf(hWnd)) {
        return nullptr;
    }
    const std::optional<emu::UpdateRegion> region = emu::TakeUpdateRegion(hWnd);
    DeviceContext dc;
    dc.kind = DcKind::Paint;
    dc.hwnd = hWnd;
    dc.paintClip = region ? region->rect : RECT{0, 0, 0, 0};
    HDC hdc = AddDc(dc);
    std::memset(lpPaint, 0, sizeof(*lpPaint));
    lpPaint->hdc = hdc;
    lpPaint->rcPaint = dc.paintClip;
    if (region && region->erase) {
        // DefWindowProcA erases with the class brush (emu::EraseBackground);
        // fErase tells the window procedure that nobody did.
        const LRESULT erased = SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
        lpPaint->fErase = erased == 0 ? TRUE : FALSE;
    }
    return hdc;
}

BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT* lpPaint) {
    if (lpPaint != nullptr) {
        const DeviceContext* dc = FindDc(lpPaint->hdc);
        if (dc != nullptr && dc->kind == DcKind::Paint) {
            S().dcs.erase(Key(lpPaint->hdc));
        }
    }
    return TRUE;
}

BOOL WINAPI DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags) {
    // Win32s has no such function: a program that imports it does not load.
    if (emu::Machine().platform == emu::Platform::Win32s) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr || qrc == nullptr) {
        return FALSE;
    }
    Canvas canvas = CanvasOf(*dc);
    DrawRectEdge(canvas, *qrc, edge, grfFlags);
    const UINT inner = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);
    const UINT outer = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
    // Both inner (or both outer) bits at once is not an edge user32 can draw.
    const BOOL drawable = inner != (BDR_RAISEDINNER | BDR_SUNKENINNER) &&
                          outer != (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
    if (grfFlags & (BfMiddle | BfAdjust)) {
        const LONG add = (inner != 0 ? 1 : 0) + (outer != 0 ? 1 : 0);
        RECT inside = *qrc;
        inside.left += (grfFlags & BF_LEFT) ? add : 0;
        inside.right -= (grfFlags & BF_RIGHT) ? add : 0;
        inside.top += (grfFlags & BF_TOP) ? add : 0;
        inside.bottom -= (grfFlags & BF_BOTTOM) ? add : 0;
        if ((grfFlags & BfMiddle) && drawable) {
            canvas.Fill(inside, SysColour(ColourBtnFace));
        }
        if (grfFlags & BfAdjust) {
            *qrc = inside;
        }
    }
    return drawable;
}

int WINAPI DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr || lpchText == nullptr || lprc == nullptr || cchText < -1) {
        return 0;
    }
    const std::size_t length =
        cchText == -1 ? std::strlen(lpchText) : static_cast<std::size_t>(cchText);
    if (length == 0) {
        return 0;
    }
    Canvas canvas = CanvasOf(*dc);
    TextStyle style;
    style.colour = RgbOf(dc->textColor);
    style.opaque = dc->bkMode == OPAQUE;
    style.background = RgbOf(dc->bkColor);
    return DrawTextOn(canvas, std::string_view(lpchText, length), *lprc, format, style);
}

BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
    DeviceContext* dc = FindDc(hDC);
    const emu::IconImage* icon = emu::IconFromHandle(hIcon);
    if (dc == nullptr || icon == nullptr || icon->width <= 0 || icon->height <= 0) {
        return FALSE;
    }
    // DrawIcon draws at the system's icon size, whatever the image's size.
    constexpr int IconSize = 32;
    Canvas canvas = CanvasOf(*dc);
    for (int j = 0; j < IconSize; ++j) {
        for (int i = 0; i < IconSize; ++i) {
            const std::size_t at = static_cast<std::size_t>(
                (j * icon->height / IconSize) * icon->width + i * icon->width / IconSize);
            if (at < icon->pixels.size() &&
                !(at < icon->transparent.size() && icon->transparent[at])) {
                canvas.Plot(X + i, Y + j, icon->pixels[at] & 0xFFFFFF);
            }
        }
    }
    return TRUE;
}

int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    DeviceContext* dc = FindDc(hDC);
    const Paint brush = BrushPaint(hbr);
    if (dc == nullptr || lprc == nullptr || !brush.valid) {
        return 0;
    }
    if (!brush.hollow) {
        Canvas canvas = CanvasOf(*dc);
        canvas.Fill(*lprc, brush.rgb);
    }
    return 1;
}

// One pixel wide along the inside of the rectangle; nothing for an empty one.
int WINAPI FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    if (lprc == nullptr || lprc->right <= lprc->left || lprc->bottom <= lprc->top) {
        return 0;
    }
    const RECT& r = *lprc;
    const RECT sides[] = {{r.left, r.top, r.right, Plus(r.top, 1)},
                          {r.left, Minus(r.bottom, 1), r.right, r.bottom},
                          {r.left, r.top, Plus(r.left, 1), r.bottom},
                          {Minus(r.right, 1), r.top, r.right, r.bottom}};
    for (const RECT& side : sides) {
        if (FillRect(hDC, &side, hbr) == 0) {
            return 0;
        }
    }
    return 1;
}

// --- Control API -------------------------------------------------------------------

namespace emu {

void ResetGdi() {
    // The desktop's pixel memory outlives the reset: a machine reset per run
    // would otherwise map and fault in megabytes afresh each time. The size 0
    // makes the first use repaint it whole, as on a fresh machine.
    gdi::Surface desktop = std::move(gdi::state.desktop);
    gdi::state = gdi::State{};
    desktop.width = 0;
    desktop.height = 0;
    gdi::state.desktop = std::move(desktop);
}

namespace gdi {
Surface& DesktopSurface() {
    return Desktop();
}
} // namespace gdi

std::uint32_t DesktopPixel(int x, int y) {
    const Surface& desktop = Desktop();
    if (x < 0 || y < 0 || x >= desktop.width || y >= desktop.height) {
        return NoPixel;
    }
    return desktop.Get(x, y);
}

std::uint32_t WindowPixel(HWND hwnd, int x, int y) {
    const std::optional<WindowView> view = ViewOf(hwnd);
    if (!view) {
        return NoPixel;
    }
    const RECT client = ClientOnDesktop(*view);
    if (x < 0 || y < 0 || x >= std::int64_t{client.right} - client.left ||
        y >= std::int64_t{client.bottom} - client.top) {
        return NoPixel;
    }
    return DesktopPixel(Plus(client.left, x), Plus(client.top, y));
}

void RepaintDesktop(const RECT& rect) {
    Canvas canvas;
    canvas.surface = &Desktop();
    canvas.clip = Bounds(*canvas.surface);
    canvas.Fill(rect, DesktopColour);
}

LRESULT EraseBackground(HWND hwnd, HDC hdc) {
    const std::optional<WindowView> view = ViewOf(hwnd);
    const DeviceContext* dc = FindDc(hdc);
    if (!view || dc == nullptr || view->background == nullptr) {
        return 0;
    }
    const Paint brush = BrushPaint(view->background);
    if (!brush.valid) {
        return 0;
    }
    if (!brush.hollow) {
        Canvas canvas = CanvasOf(*dc);
        canvas.Fill(RECT{Shifted(canvas.clip.left, -canvas.originX),
                         Shifted(canvas.clip.top, -canvas.originY),
                         Shifted(canvas.clip.right, -canvas.originX),
                         Shifted(canvas.clip.bottom, -canvas.originY)},
                    brush.rgb);
    }
    return 1;
}

int LiveGdiObjects() {
    int count = 0;
    for (const auto& [key, object] : S().objects) {
        count += object.stock ? 0 : 1;
    }
    return count;
}

int LiveDCs() {
    return static_cast<int>(S().dcs.size());
}

std::string DescribeLiveGdi() {
    static const char* const objectNames[] = {"pen", "brush", "bitmap", "font"};
    static const char* const dcNames[] = {"desktop DC", "window DC", "paint DC", "memory DC"};
    std::ostringstream out;
    out << std::hex;
    for (const auto& [key, object] : S().objects) {
        if (!object.stock) {
            out << objectNames[static_cast<int>(object.kind)] << " 0x" << key << '\n';
        }
    }
    for (const auto& [key, dc] : S().dcs) {
        out << dcNames[static_cast<int>(dc.kind)] << " 0x" << key << '\n';
    }
    return out.str();
}

std::optional<POINT> LastEllipseCentre() {
    const std::optional<DrawnEllipse>& drawn = S().lastEllipse;
    return drawn ? std::optional<POINT>(drawn->centre) : std::nullopt;
}

std::optional<DrawnEllipse> LastEllipse() {
    return S().lastEllipse;
}

void FailCreateCompatibleDC(int calls) {
    S().failCompatibleDC = calls;
}
void FailCreateCompatibleBitmap(int calls) {
    S().failCompatibleBitmap = calls;
}

} // namespace emu
