// Painting: update regions, the DCs of windows and the background erase.
// Where a window's DC draws is decided here, from what WM_NCCALCSIZE left,
// and handed to GDI through the DC's placement hook.
#include <windows.h>

#include "emu/gdi.h"
#include "emu/window_manager.h"
#include "coordinates.h"
#include "gdi32/gdi_private.h"
#include "user32/win.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>

namespace emu::wm {

namespace {

// A DC that user32 handed out: GetDC's (of a window or, with no window, of
// the desktop) or BeginPaint's, which is clipped to the update region.
struct WindowDc {
    HWND hwnd = nullptr;
    bool paint = false;
    RECT paintClip{}; // client coordinates
};

std::map<HDC, WindowDc> windowDcs;

// The client area of a window when what is drawn on it goes into the
// framebuffer: not for hidden or destroyed windows, and not for dialogs,
// message boxes and their controls, which only the screenshot draws.
std::optional<RECT> DrawableClient(HWND hwnd) {
    const Window* window = Find(hwnd);
    if (window == nullptr || !IsVisible(*window)) {
        return std::nullopt;
    }
    const Window* root = window;
    while (root != nullptr && root->parent != nullptr) {
        root = Find(root->parent);
    }
    if (root == nullptr || root->kind == WindowKind::Dialog ||
        root->kind == WindowKind::MessageBox) {
        return std::nullopt;
    }
    return ClientOnDesktop(*window);
}

gdi::Placement PlacementOf(HDC hdc) {
    const WindowDc& dc = windowDcs.at(hdc);
    const std::optional<RECT> client = DrawableClient(dc.hwnd);
    if (!client) {
        return gdi::Placement{0, 0, RECT{0, 0, 0, 0}};
    }
    gdi::Placement placed{client->left, client->top, *client};
    if (dc.paint) {
        placed.clip =
            gdi::Intersect(placed.clip, RECT{gdi::Shifted(dc.paintClip.left, placed.originX),
                                             gdi::Shifted(dc.paintClip.top, placed.originY),
                                             gdi::Shifted(dc.paintClip.right, placed.originX),
                                             gdi::Shifted(dc.paintClip.bottom, placed.originY)});
    }
    return placed;
}

HDC OpenWindowDc(const WindowDc& dc) {
    HDC hdc = gdi::OpenDisplayDc(dc.hwnd == nullptr ? nullptr : PlacementOf, dc.paint ? "paint DC"
                                                                             : dc.hwnd != nullptr
                                                                                 ? "window DC"
                                                                                 : "desktop DC");
    windowDcs[hdc] = dc;
    return hdc;
}

void CloseWindowDc(HDC hdc) {
    windowDcs.erase(hdc);
    gdi::CloseDisplayDc(hdc);
}

// The update region as InvalidateRect left it, taken away.
std::optional<UpdateRegion> TakeUpdate(HWND hwnd) {
    Window* window = Find(hwnd);
    if (window == nullptr || !window->hasUpdate) {
        return std::nullopt;
    }
    UpdateRegion region{window->update, window->erase};
    window->hasUpdate = false;
    window->erase = false;
    window->update = {};
    return region;
}

} // namespace

void InvalidateTree(HWND hwnd) {
    InvalidateRect(hwnd, nullptr, TRUE);
    const Window* window = Find(hwnd);
    if (window == nullptr) {
        return;
    }
    std::vector<HWND> children = window->children;
    for (HWND child : children) {
        const Window* c = Find(child);
        if (c != nullptr && (c->style & WS_VISIBLE) != 0) {
            InvalidateTree(child);
        }
    }
}

RECT ClientOnDesktop(const Window& window) {
    const RECT r = ScreenRect(window);
    const RECT client = ClientRect(window);
    const LONG left = Plus(r.left, window.clientInset.left);
    const LONG top = Plus(r.top, window.clientInset.top);
    return RECT{left, top, Plus(left, client.right), Plus(top, client.bottom)};
}

LRESULT EraseBackground(HWND hwnd, HDC hdc) {
    const Window* window = Find(hwnd);
    std::optional<gdi::Canvas> canvas = gdi::CanvasOfDc(hdc);
    if (window == nullptr || !canvas || window->classBrush == nullptr) {
        return 0;
    }
    const gdi::Paint brush = UserBrush(window->classBrush);
    if (!brush.valid) {
        return 0;
    }
    if (!brush.hollow) {
        canvas->Fill(RECT{gdi::Shifted(canvas->clip.left, -canvas->originX),
                          gdi::Shifted(canvas->clip.top, -canvas->originY),
                          gdi::Shifted(canvas->clip.right, -canvas->originX),
                          gdi::Shifted(canvas->clip.bottom, -canvas->originY)},
                     brush.rgb);
    }
    return 1;
}

void ResetPainting() {
    windowDcs.clear();
}

} // namespace emu::wm

using emu::wm::Find;
using emu::wm::Window;

BOOL WINAPI UpdateWindow(HWND hWnd) {
    Window* window = Find(hWnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (window->hasUpdate && emu::wm::IsVisible(*window)) {
        SendMessageA(hWnd, WM_PAINT, 0, 0);
    }
    if ((window = Find(hWnd)) != nullptr) {
        std::vector<HWND> children = window->children;
        for (HWND child : children) {
            if (Find(child) != nullptr) {
                UpdateWindow(child);
            }
        }
    }
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    if (hWnd == nullptr) {
        // The desktop: every top-level window gets repainted.
        std::vector<HWND> top = emu::wm::ZOrder();
        for (HWND w : top) {
            InvalidateRect(w, nullptr, bErase);
        }
        return TRUE;
    }
    Window* window = Find(hWnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RECT client = emu::wm::ClientRect(*window);
    RECT r = lpRect != nullptr ? *lpRect : client;
    r = {std::max(r.left, client.left), std::max(r.top, client.top),
         std::min(r.right, client.right), std::min(r.bottom, client.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) {
        return TRUE;
    }
    if (window->hasUpdate) {
        // The update region is kept as its bounding rectangle.
        RECT& u = window->update;
        u = {std::min(u.left, r.left), std::min(u.top, r.top), std::max(u.right, r.right),
             std::max(u.bottom, r.bottom)};
    } else {
        window->update = r;
        window->hasUpdate = true;
    }
    window->erase = window->erase || bErase != FALSE;
    return TRUE;
}

HDC WINAPI GetDC(HWND hWnd) {
    if (hWnd != nullptr && Find(hWnd) == nullptr) {
        return nullptr;
    }
    return emu::wm::OpenWindowDc(emu::wm::WindowDc{hWnd, false, RECT{}});
}

int WINAPI ReleaseDC(HWND, HDC hDC) {
    auto found = emu::wm::windowDcs.find(hDC);
    if (found == emu::wm::windowDcs.end() || found->second.paint) {
        return 0;
    }
    emu::wm::CloseWindowDc(hDC);
    return 1;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (lpPaint == nullptr || Find(hWnd) == nullptr) {
        return nullptr;
    }
    const std::optional<emu::UpdateRegion> region = emu::wm::TakeUpdate(hWnd);
    const emu::wm::WindowDc dc{hWnd, true, region ? region->rect : RECT{0, 0, 0, 0}};
    HDC hdc = emu::wm::OpenWindowDc(dc);
    std::memset(lpPaint, 0, sizeof(*lpPaint));
    lpPaint->hdc = hdc;
    lpPaint->rcPaint = dc.paintClip;
    if (region && region->erase) {
        // DefWindowProcA erases with the class brush; fErase tells the window
        // procedure that nobody did.
        const LRESULT erased = SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
        lpPaint->fErase = erased == 0 ? TRUE : FALSE;
    }
    return hdc;
}

BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT* lpPaint) {
    if (lpPaint != nullptr) {
        auto found = emu::wm::windowDcs.find(lpPaint->hdc);
        if (found != emu::wm::windowDcs.end() && found->second.paint) {
            emu::wm::CloseWindowDc(lpPaint->hdc);
        }
    }
    return TRUE;
}

namespace emu {

std::optional<UpdateRegion> TakeUpdateRegion(HWND hwnd) {
    return wm::TakeUpdate(hwnd);
}

HWND WindowOfDc(HDC hdc) {
    auto found = wm::windowDcs.find(hdc);
    return found == wm::windowDcs.end() ? nullptr : found->second.hwnd;
}

std::uint32_t WindowPixel(HWND hwnd, int x, int y) {
    const wm::Window* window = wm::Find(hwnd);
    if (window == nullptr) {
        return NoPixel;
    }
    const RECT client = wm::ClientOnDesktop(*window);
    if (x < 0 || y < 0 || x >= std::int64_t{client.right} - client.left ||
        y >= std::int64_t{client.bottom} - client.top) {
        return NoPixel;
    }
    return DesktopPixel(Plus(client.left, x), Plus(client.top, y));
}

} // namespace emu
