// Where windows are: the Z order of top-level windows, showing and hiding,
// moving and sizing, and what a window leaves behind when it goes.
#include <windows.h>

#include "coordinates.h"
#include "gdi32/gdi_private.h"
#include "user32/win.h"
#include "sdk.h"

#include <algorithm>
#include <vector>

namespace emu::wm {

namespace {

const HWND InsertBottom = reinterpret_cast<HWND>(1); // HWND_BOTTOM

std::vector<HWND> zOrder; // top-level windows, bottom first

} // namespace

std::vector<HWND>& ZOrder() {
    return zOrder;
}

void RemoveFromZOrder(HWND hwnd) {
    std::erase(zOrder, hwnd);
}

// Brings a top-level window to the top and its owned windows above it, as
// owned windows always stay above their owner.
void BringToTop(HWND hwnd) {
    RemoveFromZOrder(hwnd);
    zOrder.push_back(hwnd);
    std::vector<HWND> owned;
    for (HWND other : zOrder) {
        const Window* window = Find(other);
        if (window != nullptr && window->owner == hwnd) {
            owned.push_back(other);
        }
    }
    for (HWND other : owned) {
        BringToTop(other);
    }
}

RECT FrameInsets(DWORD style, DWORD exStyle) {
    int frame = 0;
    if ((exStyle & ExDlgModalFrame) != 0 || (style & WS_DLGFRAME) != 0) {
        frame = DlgFrameWidth;
    } else if ((style & WS_BORDER) != 0) {
        frame = BorderWidth;
    }
    RECT inset{frame, frame, frame, frame};
    if ((style & WS_CAPTION) == WS_CAPTION) {
        inset.top += CaptionHeight;
    }
    return inset;
}

// What a top-level window leaves behind when it is hidden, destroyed or
// moved away from a place: the desktop shows again there, and the windows
// below it have that part to repaint.
void Expose(HWND hwnd, const RECT& area) {
    const Window* window = Find(hwnd);
    if (window == nullptr || (window->style & WS_CHILD) != 0) {
        return;
    }
    if (window->kind == WindowKind::Normal) {
        gdi::RepaintDesktop(area);
    }
    auto self = std::find(zOrder.begin(), zOrder.end(), hwnd);
    std::vector<HWND> below(zOrder.begin(), self);
    for (HWND other : below) {
        const Window* w = Find(other);
        if (w == nullptr || w->destroying || (w->style & WS_VISIBLE) == 0) {
            continue;
        }
        RECT r = ScreenRect(*w);
        LONG originX = Plus(r.left, w->clientInset.left);
        LONG originY = Plus(r.top, w->clientInset.top);
        RECT local{Minus(std::max(area.left, r.left), originX),
                   Minus(std::max(area.top, r.top), originY),
                   Minus(std::min(area.right, r.right), originX),
                   Minus(std::min(area.bottom, r.bottom), originY)};
        if (local.left < local.right && local.top < local.bottom) {
            InvalidateRect(other, &local, TRUE);
        }
    }
}

void ResetZOrder() {
    zOrder.clear();
}

} // namespace emu::wm

using emu::wm::Find;
using emu::wm::Window;

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    Window* window = Find(hWnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    bool wasVisible = (window->style & WS_VISIBLE) != 0;
    bool child = (window->style & WS_CHILD) != 0;
    if (nCmdShow == SW_HIDE) {
        if (wasVisible) {
            SendMessageA(hWnd, WM_SHOWWINDOW, FALSE, 0);
            if ((window = Find(hWnd)) != nullptr) {
                window->style &= ~static_cast<DWORD>(WS_VISIBLE);
                if (!child) {
                    emu::wm::Expose(hWnd, emu::wm::ScreenRect(*window));
                }
            }
            emu::wm::MoveFocusAwayFrom(hWnd, window != nullptr ? window->owner : nullptr);
        }
        return wasVisible ? TRUE : FALSE;
    }
    if (!wasVisible) {
        SendMessageA(hWnd, WM_SHOWWINDOW, TRUE, 0);
        if ((window = Find(hWnd)) == nullptr) {
            return FALSE;
        }
        window->style |= WS_VISIBLE;
        emu::wm::InvalidateTree(hWnd);
    }
    if (!child && nCmdShow != emu::ShowNoActivate && nCmdShow != emu::ShowNA &&
        nCmdShow != emu::ShowMinNoActive) {
        emu::wm::Activate(hWnd);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    const Window* window = Find(hWnd);
    if (window == nullptr || lpRect == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *lpRect = emu::wm::ScreenRect(*window);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    const Window* window = Find(hWnd);
    if (window == nullptr || lpRect == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *lpRect = emu::wm::ClientRect(*window);
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         UINT uFlags) {
    Window* window = Find(hWnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RECT old = window->rect;
    RECT r = old;
    if ((uFlags & SWP_NOMOVE) == 0) {
        r = {X, Y, X + (r.right - r.left), Y + (r.bottom - r.top)};
    }
    if ((uFlags & SWP_NOSIZE) == 0) {
        r.right = r.left + std::max(cx, 0);
        r.bottom = r.top + std::max(cy, 0);
    }
    window->rect = r;
    bool top = (window->style & WS_CHILD) == 0;
    if ((uFlags & SWP_NOZORDER) == 0 && top) {
        if (hWndInsertAfter == HWND_TOP || Find(hWndInsertAfter) == nullptr) {
            if (hWndInsertAfter == emu::wm::InsertBottom) {
                emu::wm::RemoveFromZOrder(hWnd);
                emu::wm::zOrder.insert(emu::wm::zOrder.begin(), hWnd);
            } else {
                emu::wm::BringToTop(hWnd);
            }
        } else if (hWndInsertAfter != hWnd) {
            emu::wm::RemoveFromZOrder(hWnd);
            auto it = std::find(emu::wm::zOrder.begin(), emu::wm::zOrder.end(), hWndInsertAfter);
            emu::wm::zOrder.insert(it, hWnd); // just below hWndInsertAfter
        }
    }
    if ((uFlags & SWP_NOACTIVATE) == 0 && top && (window->style & WS_VISIBLE) != 0) {
        emu::wm::Activate(hWnd, false); // the Z order is as the flags say
    }
    bool moved = r.left != old.left || r.top != old.top;
    bool sized =
        r.right - r.left != old.right - old.left || r.bottom - r.top != old.bottom - old.top;
    if ((moved || sized) && (window = Find(hWnd)) != nullptr && emu::wm::IsVisible(*window)) {
        if (top) {
            emu::wm::Expose(hWnd, old);
        }
        emu::wm::InvalidateTree(hWnd);
    }
    if (sized && (window = Find(hWnd)) != nullptr) {
        RECT client = emu::wm::ClientRect(*window);
        SendMessageA(hWnd, WM_SIZE, emu::SizeRestored, MAKELONG(client.right, client.bottom));
    }
    if (moved && (window = Find(hWnd)) != nullptr) {
        SendMessageA(hWnd, WM_MOVE, 0,
                     MAKELONG(emu::Plus(window->rect.left, window->clientInset.left),
                              emu::Plus(window->rect.top, window->clientInset.top)));
    }
    return TRUE;
}
