// The pixels of the emulated desktop and of bitmaps, and the clipped drawing
// targets that every GDI call draws through.
#include "coordinates.h"
#include "gdi32/gdi_private.h"

#include "emu/gdi.h"
#include "emu/machine.h"

#include <algorithm>
#include <cstdint>

namespace emu::gdi {

namespace {
Surface desktop;
} // namespace

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

LONG Shifted(std::int64_t coordinate, std::int64_t origin) {
    return Saturate(coordinate + origin);
}

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

RECT Bounds(const Surface& surface) {
    return RECT{0, 0, surface.width, surface.height};
}

Surface& DesktopSurface() {
    const int w = std::max(0, Machine().desktopWidth);
    const int h = std::max(0, Machine().desktopHeight);
    if (desktop.width != w || desktop.height != h || desktop.pixels.empty()) {
        desktop.Resize(w, h, DesktopColour);
    }
    return desktop;
}

void RepaintDesktop(const RECT& rect) {
    Canvas canvas;
    canvas.surface = &DesktopSurface();
    canvas.clip = Bounds(*canvas.surface);
    canvas.Fill(rect, DesktopColour);
}

void ResetSurface() {
    // The desktop's pixel memory outlives the reset: a machine reset per run
    // would otherwise map and fault in megabytes afresh each time. The size 0
    // makes the first use repaint it whole, as on a fresh machine.
    desktop.width = 0;
    desktop.height = 0;
}

} // namespace emu::gdi

namespace emu {

std::uint32_t DesktopPixel(int x, int y) {
    const gdi::Surface& screen = gdi::DesktopSurface();
    if (x < 0 || y < 0 || x >= screen.width || y >= screen.height) {
        return NoPixel;
    }
    return screen.Get(x, y);
}

} // namespace emu
