// Device contexts: memory DCs with their bitmaps, and the display DCs that
// user32 opens for windows and the desktop. A display DC draws on the
// framebuffer wherever its placement hook says; GDI knows nothing of the
// windows behind it.
#include "coordinates.h"
#include "gdi32/gdi_private.h"
#include "sdk.h"

#include "emu/faults.h"
#include "emu/gdi.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <sstream>

namespace emu::gdi {

namespace {

enum class DcKind { Display, Memory };

struct DeviceContext {
    DcKind kind = DcKind::Display;
    HDC self = nullptr;
    PlacementHook placement = nullptr; // display DCs; none: the whole desktop
    const char* what = "memory DC";    // for the accounting of tests
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ bitmap = nullptr;
    int bkMode = OPAQUE;
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    POINT position{};
};

constexpr int MaxBitmapSide = 16384;

struct State {
    std::map<std::uintptr_t, DeviceContext> dcs;
    int failCompatibleDC = 0;
    int failCompatibleBitmap = 0;
};

State state;

DeviceContext* FindDc(HDC hdc) {
    auto found = state.dcs.find(Key(hdc));
    return found == state.dcs.end() ? nullptr : &found->second;
}

HDC AddDc(DeviceContext dc) {
    dc.pen = StockHandle(BLACK_PEN);
    dc.brush = StockHandle(WHITE_BRUSH);
    dc.font = StockHandle(SYSTEM_FONT);
    if (dc.kind == DcKind::Memory) {
        dc.bitmap = StockHandle(DefaultBitmapIndex);
    }
    const std::uintptr_t handle = NewHandle();
    dc.self = reinterpret_cast<HDC>(handle);
    state.dcs[handle] = dc;
    return dc.self;
}

// Where a DC draws. A display DC draws on the desktop where user32 places it,
// clipped to what user32 leaves it.
Canvas CanvasOf(const DeviceContext& dc) {
    Canvas canvas;
    if (dc.kind == DcKind::Memory) {
        Object* bitmap = FindObject(dc.bitmap);
        canvas.surface = &bitmap->bitmap;
        canvas.clip = Bounds(*canvas.surface);
        return canvas;
    }
    canvas.surface = &DesktopSurface();
    canvas.clip = Bounds(*canvas.surface);
    if (dc.placement != nullptr) {
        const Placement placed = dc.placement(dc.self);
        canvas.originX = placed.originX;
        canvas.originY = placed.originY;
        canvas.clip = IsEmpty(placed.clip) ? RECT{0, 0, 0, 0} : Intersect(placed.clip, canvas.clip);
    }
    return canvas;
}

} // namespace

HDC OpenDisplayDc(PlacementHook placement, const char* what) {
    DeviceContext dc;
    dc.placement = placement;
    dc.what = what;
    return AddDc(dc);
}

bool CloseDisplayDc(HDC hdc) {
    const DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr || dc->kind != DcKind::Display) {
        return false;
    }
    state.dcs.erase(Key(hdc));
    return true;
}

std::optional<Canvas> CanvasOfDc(HDC hdc) {
    const DeviceContext* dc = FindDc(hdc);
    return dc == nullptr ? std::nullopt : std::optional<Canvas>(CanvasOf(*dc));
}

std::optional<DcDrawing> DrawingOf(HDC hdc) {
    const DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr) {
        return std::nullopt;
    }
    DcDrawing drawing;
    drawing.canvas = CanvasOf(*dc);
    drawing.pen = PenPaint(dc->pen);
    drawing.brush = BrushPaint(static_cast<HBRUSH>(dc->brush));
    drawing.text.colour = RgbOf(dc->textColor);
    drawing.text.opaque = dc->bkMode == OPAQUE;
    drawing.text.background = RgbOf(dc->bkColor);
    drawing.bkColor = dc->bkColor;
    drawing.textColor = dc->textColor;
    return drawing;
}

POINT* PenPosition(HDC hdc) {
    DeviceContext* dc = FindDc(hdc);
    return dc == nullptr ? nullptr : &dc->position;
}

bool IsSelected(const void* handle) {
    for (const auto& [key, dc] : state.dcs) {
        if (dc.pen == handle || dc.brush == handle || dc.font == handle || dc.bitmap == handle) {
            return true;
        }
    }
    return false;
}

} // namespace emu::gdi

using emu::RgbOf;
using namespace emu::gdi;

HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    DeviceContext* dc = FindDc(hdc);
    Object* object = FindObject(h);
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

HDC WINAPI CreateCompatibleDC(HDC hdc) {
    if (hdc != nullptr && FindDc(hdc) == nullptr) {
        return nullptr;
    }
    if (state.failCompatibleDC > 0) {
        --state.failCompatibleDC;
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
    if (state.failCompatibleBitmap > 0) {
        --state.failCompatibleBitmap;
        return nullptr;
    }
    if (cx == 0 || cy == 0) {
        return static_cast<HBITMAP>(StockHandle(DefaultBitmapIndex));
    }
    // A memory DC's bitmap sets its format: a fresh one is monochrome.
    const bool mono = dc->kind == DcKind::Memory && FindObject(dc->bitmap)->bitmap.mono;
    Object bitmap;
    bitmap.kind = ObjectKind::Bitmap;
    bitmap.bitmap.mono = mono;
    bitmap.bitmap.Resize(cx, cy, 0x000000);
    return static_cast<HBITMAP>(AddObject(std::move(bitmap)));
}

BOOL WINAPI DeleteDC(HDC hdc) {
    const DeviceContext* dc = FindDc(hdc);
    // A window's DC goes back with ReleaseDC or EndPaint.
    if (dc == nullptr || dc->kind != DcKind::Memory) {
        return FALSE;
    }
    state.dcs.erase(Key(hdc));
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
        return emu::ClrInvalid;
    }
    const COLORREF previous = dc->textColor;
    dc->textColor = color & 0xFFFFFF;
    return previous;
}

COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr) {
        return emu::ClrInvalid;
    }
    const COLORREF previous = dc->bkColor;
    dc->bkColor = color & 0xFFFFFF;
    return previous;
}

COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    const DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr) {
        return emu::ClrInvalid;
    }
    const Canvas canvas = CanvasOf(*dc);
    if (!canvas.Contains(x, y)) {
        return emu::ClrInvalid;
    }
    return ColorrefOf(canvas.surface->Get(Shifted(x, canvas.originX), Shifted(y, canvas.originY)));
}

COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    const DeviceContext* dc = FindDc(hdc);
    if (dc == nullptr) {
        return emu::ClrInvalid;
    }
    Canvas canvas = CanvasOf(*dc);
    if (!canvas.Contains(x, y)) {
        return emu::ClrInvalid;
    }
    canvas.Plot(x, y, RgbOf(color));
    return ColorrefOf(canvas.surface->Get(Shifted(x, canvas.originX), Shifted(y, canvas.originY)));
}

namespace emu {

void ResetGdi() {
    gdi::state = gdi::State{};
    gdi::ResetObjects();
    gdi::ResetSurface();
}

int LiveDCs() {
    return static_cast<int>(gdi::state.dcs.size());
}

std::string DescribeLiveGdi() {
    std::ostringstream out;
    out << std::hex;
    gdi::DescribeObjects(out);
    for (const auto& [key, dc] : gdi::state.dcs) {
        out << dc.what << " 0x" << key << '\n';
    }
    return out.str();
}

void FailCreateCompatibleDC(int calls) {
    gdi::state.failCompatibleDC = calls;
}
void FailCreateCompatibleBitmap(int calls) {
    gdi::state.failCompatibleBitmap = calls;
}

} // namespace emu
