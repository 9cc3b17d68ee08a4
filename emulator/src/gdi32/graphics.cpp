// The GDI drawing calls: block transfers, shapes and lines.
#include "coordinates.h"
#include "gdi32/gdi_private.h"

#include "emu/gdi.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

namespace emu::gdi {

namespace {

EllipseWitness ellipseWitness = nullptr;

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

// What Ellipse and Rectangle start from: where the DC draws, its pen and
// brush, and the box with its corners in order.
struct Shape {
    Canvas canvas;
    Paint pen;
    Paint brush;
    RECT box{};
    int band = 0; // the outline's width, 0 for a hollow pen
};

std::optional<Shape> ShapeOf(HDC hdc, int left, int top, int right, int bottom) {
    std::optional<DcDrawing> drawing = DrawingOf(hdc);
    if (!drawing) {
        return std::nullopt;
    }
    const int band = drawing->pen.hollow ? 0 : drawing->pen.width;
    return Shape{drawing->canvas, drawing->pen, drawing->brush,
                 Normalised(left, top, right, bottom), band};
}

} // namespace

void SetEllipseWitness(EllipseWitness witness) {
    ellipseWitness = witness;
}

} // namespace emu::gdi

using emu::Minus;
using emu::Plus;
using emu::RgbOf;
using namespace emu::gdi;

BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    std::optional<DcDrawing> dst = DrawingOf(hdc);
    const std::optional<DcDrawing> src = DrawingOf(hdcSrc);
    if (!dst || !src || rop != SRCCOPY) {
        return FALSE;
    }
    if (cx <= 0 || cy <= 0) {
        return TRUE;
    }
    Canvas& to = dst->canvas;
    const Canvas& from = src->canvas;
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
    std::optional<Shape> shape = ShapeOf(hdc, left, top, right, bottom);
    if (!shape) {
        return FALSE;
    }
    auto& [canvas, pen, brush, box, band] = *shape;
    if (ellipseWitness != nullptr && canvas.surface == &DesktopSurface() && !IsEmpty(canvas.clip)) {
        ellipseWitness(hdc, POINT{Middle(box.left, box.right, canvas.originX),
                                  Middle(box.top, box.bottom, canvas.originY)});
    }
    const double a = (static_cast<double>(box.right) - box.left) / 2.0;
    const double b = (static_cast<double>(box.bottom) - box.top) / 2.0;
    const double cx = (static_cast<double>(box.left) + box.right) / 2.0;
    const double cy = (static_cast<double>(box.top) + box.bottom) / 2.0;
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
    std::optional<Shape> shape = ShapeOf(hdc, left, top, right, bottom);
    if (!shape) {
        return FALSE;
    }
    auto& [canvas, pen, brush, box, band] = *shape;
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
    POINT* position = PenPosition(hdc);
    if (position == nullptr) {
        return FALSE;
    }
    if (lppt != nullptr) {
        *lppt = *position;
    }
    *position = POINT{x, y};
    return TRUE;
}

BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    std::optional<DcDrawing> drawing = DrawingOf(hdc);
    POINT* position = PenPosition(hdc);
    if (!drawing || position == nullptr) {
        return FALSE;
    }
    DrawLine(drawing->canvas, position->x, position->y, x, y, drawing->pen);
    *position = POINT{x, y};
    return TRUE;
}
