// GDI objects: the stock objects, pens, brushes and bitmaps, with the handle
// series that device contexts share.
#include "gdi32/gdi_private.h"
#include "sdk.h"

#include "emu/gdi.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <sstream>

namespace emu::gdi {

namespace {

constexpr int OemFixedFont = 10;
constexpr std::uintptr_t StockBase = 0x10000;
constexpr std::uintptr_t FirstHandle = 0x20000;
constexpr std::uintptr_t HandleStep = 16;

struct State {
    bool initialised = false;
    std::map<std::uintptr_t, Object> objects;
    std::uintptr_t nextHandle = FirstHandle;
};

State state;

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

} // namespace

std::uintptr_t Key(const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

HGDIOBJ StockHandle(int index) {
    return reinterpret_cast<HGDIOBJ>(StockBase + HandleStep * static_cast<std::uintptr_t>(index));
}

Object* FindObject(const void* handle) {
    auto found = S().objects.find(Key(handle));
    return found == S().objects.end() ? nullptr : &found->second;
}

std::uintptr_t NewHandle() {
    const std::uintptr_t handle = S().nextHandle;
    S().nextHandle += HandleStep;
    return handle;
}

HGDIOBJ AddObject(Object object) {
    const std::uintptr_t handle = NewHandle();
    S().objects[handle] = std::move(object);
    return reinterpret_cast<HGDIOBJ>(handle);
}

COLORREF ColorrefOf(std::uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

Paint BrushPaint(HBRUSH brush) {
    const Object* object = FindObject(brush);
    if (object == nullptr || object->kind != ObjectKind::Brush) {
        return Paint{};
    }
    return Paint{true, object->hollow, RgbOf(object->colour), 1};
}

Paint PenPaint(HGDIOBJ pen) {
    const Object* object = FindObject(pen);
    return Paint{true, object->hollow, RgbOf(object->colour), std::max(1, object->penWidth)};
}

void DescribeObjects(std::ostream& out) {
    static const char* const objectNames[] = {"pen", "brush", "bitmap", "font"};
    for (const auto& [key, object] : S().objects) {
        if (!object.stock) {
            out << objectNames[static_cast<int>(object.kind)] << " 0x" << key << '\n';
        }
    }
}

void ResetObjects() {
    state = State{};
}

} // namespace emu::gdi

using namespace emu::gdi;

HGDIOBJ WINAPI GetStockObject(int i) {
    return FindObject(StockHandle(i)) != nullptr && i != DefaultBitmapIndex ? StockHandle(i)
                                                                            : nullptr;
}

HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
    if (iStyle < PS_SOLID || iStyle > emu::PsLastStyle) {
        return nullptr;
    }
    Object pen = Pen(color & 0xFFFFFF, iStyle == emu::PsNull);
    pen.penWidth = std::max(0, cWidth);
    return static_cast<HPEN>(AddObject(std::move(pen)));
}

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    return static_cast<HBRUSH>(AddObject(Brush(color & 0xFFFFFF)));
}

BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    Object* object = FindObject(ho);
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

namespace emu {

int LiveGdiObjects() {
    int count = 0;
    for (const auto& [key, object] : gdi::S().objects) {
        count += object.stock ? 0 : 1;
    }
    return count;
}

} // namespace emu
