// The default window procedure, and the one of the system control classes.
#include <windows.h>

#include "user32/win.h"

#include <algorithm>
#include <cstring>

namespace emu::wm {

namespace {
constexpr UINT SysCommandMask = 0xFFF0;
} // namespace

LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // A static control keeps the icon it shows.
    if ((message == StaticSetIcon || message == StaticGetIcon) &&
        Find(hwnd)->control == ControlKind::Static) {
        HICON previous = Find(hwnd)->icon;
        if (message == StaticSetIcon) {
            Find(hwnd)->icon = reinterpret_cast<HICON>(wParam);
            InvalidateRect(hwnd, nullptr, TRUE);
        }
        return reinterpret_cast<LRESULT>(previous);
    }
    LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
    // Static and button controls redraw themselves with their new text.
    if (message == WM_SETTEXT) {
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    return result;
}

} // namespace emu::wm

using emu::wm::Find;
using emu::wm::Window;

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    Window* window = Find(hWnd);
    if (window == nullptr) {
        return 0;
    }
    switch (Msg) {
    case WM_NCCREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (cs != nullptr && cs->lpszName != nullptr && !IS_INTRESOURCE(cs->lpszName)) {
            window->text = cs->lpszName;
        }
        return TRUE;
    }
    case WM_NCCALCSIZE: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (wParam == FALSE && r != nullptr) {
            RECT inset = emu::wm::FrameInsets(window->style, window->exStyle);
            r->left += inset.left;
            r->top += inset.top;
            r->right -= inset.right;
            r->bottom -= inset.bottom;
            r->right = std::max(r->right, r->left);
            r->bottom = std::max(r->bottom, r->top);
        }
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hWnd, &ps);
        EndPaint(hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        return emu::wm::EraseBackground(hWnd, reinterpret_cast<HDC>(wParam));
    }
    case WM_CLOSE: DestroyWindow(hWnd); return 0;
    case WM_SYSCOMMAND:
        if ((wParam & emu::wm::SysCommandMask) == SC_CLOSE) {
            SendMessageA(hWnd, WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_SETTEXT:
        window->text = lParam != 0 ? reinterpret_cast<LPCSTR>(lParam) : "";
        return TRUE;
    case WM_GETTEXT: {
        auto* buffer = reinterpret_cast<LPSTR>(lParam);
        if (buffer == nullptr || wParam == 0) {
            return 0;
        }
        std::size_t n = std::min<std::size_t>(window->text.size(), wParam - 1);
        std::memcpy(buffer, window->text.data(), n);
        buffer[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(window->text.size());
    default: return 0;
    }
}
