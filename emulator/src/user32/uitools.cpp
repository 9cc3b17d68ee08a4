// user32's drawing on a DC: edges, text, icons and rectangles filled or
// framed with a brush, over the canvas GDI gives for the DC.
#include <windows.h>

#include "emu/gdi.h"
#include "emu/machine.h"
#include "emu/resources.h"
#include "coordinates.h"
#include "gdi32/gdi_private.h"
#include "user32/win.h"
#include "sdk.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace emu::wm {

namespace {} // namespace

gdi::Paint UserBrush(HBRUSH brush) {
    const std::uintptr_t value = gdi::Key(brush);
    if (value > 0 && value <= 31) {
        return gdi::Paint{true, false, SysColour(static_cast<int>(value) - 1), 1};
    }
    return gdi::BrushPaint(brush);
}

void DrawRectEdge(gdi::Canvas& canvas, const RECT& rect, UINT edge, UINT flags) {
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

} // namespace emu::wm

using emu::Minus;
using emu::Plus;
using namespace emu;
using namespace emu::wm;

BOOL WINAPI DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags) {
    // Win32s has no such function: a program that imports it does not load.
    if (emu::Machine().platform == emu::Platform::Win32s) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    std::optional<gdi::Canvas> dc = gdi::CanvasOfDc(hdc);
    if (!dc || qrc == nullptr) {
        return FALSE;
    }
    gdi::Canvas& canvas = *dc;
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
    std::optional<gdi::DcDrawing> dc = gdi::DrawingOf(hdc);
    if (!dc || lpchText == nullptr || lprc == nullptr || cchText < -1) {
        return 0;
    }
    const std::size_t length =
        cchText == -1 ? std::strlen(lpchText) : static_cast<std::size_t>(cchText);
    if (length == 0) {
        return 0;
    }
    return gdi::DrawTextOn(dc->canvas, std::string_view(lpchText, length), *lprc, format, dc->text);
}

BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
    std::optional<gdi::Canvas> dc = gdi::CanvasOfDc(hDC);
    const emu::IconImage* icon = emu::IconFromHandle(hIcon);
    if (!dc || icon == nullptr || icon->width <= 0 || icon->height <= 0) {
        return FALSE;
    }
    // DrawIcon draws at the system's icon size, whatever the image's size.
    constexpr int IconSize = 32;
    gdi::Canvas& canvas = *dc;
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
    std::optional<gdi::Canvas> canvas = gdi::CanvasOfDc(hDC);
    const gdi::Paint brush = UserBrush(hbr);
    if (!canvas || lprc == nullptr || !brush.valid) {
        return 0;
    }
    if (!brush.hollow) {
        canvas->Fill(*lprc, brush.rgb);
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
