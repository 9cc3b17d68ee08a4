// Keyboard focus and activation: which window gets the keys, and where the
// focus goes when that window is hidden or destroyed.
#include <windows.h>

#include "emu/window_manager.h"
#include "user32/win.h"

namespace emu::wm {

namespace {
HWND focus = nullptr;
} // namespace

void MoveFocusAwayFrom(HWND hwnd, HWND owner) {
    if (focus == nullptr || !IsSelfOrDescendant(hwnd, focus)) {
        return;
    }
    focus = nullptr;
    if (owner != nullptr && Find(owner) != nullptr && !Find(owner)->destroying) {
        focus = owner;
        return;
    }
    for (auto it = ZOrder().rbegin(); it != ZOrder().rend(); ++it) {
        const Window* window = Find(*it);
        if (*it != hwnd && window != nullptr && !window->destroying && IsVisible(*window)) {
            focus = *it;
            return;
        }
    }
}

// As GetNextDlgTabItem finds it.
HWND FirstTabStop(const Window& dialog) {
    for (HWND child : dialog.children) {
        const Window* c = Find(child);
        if (c != nullptr && (c->style & WS_TABSTOP) != 0 && (c->style & WS_VISIBLE) != 0 &&
            (c->style & WS_DISABLED) == 0) {
            return child;
        }
    }
    return nullptr;
}

HWND Focus() {
    if (Find(focus) != nullptr) {
        return focus;
    }
    return LastWindowWhere(
        [](const Window& window) { return (window.style & WS_CHILD) == 0 && !window.destroying; });
}

void SetFocusTo(HWND hwnd) {
    focus = hwnd;
}

void Activate(HWND hwnd, bool raise) {
    Window* window = Find(hwnd);
    if (window == nullptr || (window->style & WS_CHILD) != 0) {
        return;
    }
    if (raise) {
        BringToTop(hwnd);
    }
    if (focus != nullptr && Find(focus) != nullptr && IsSelfOrDescendant(hwnd, focus)) {
        return;
    }
    // A dialog that gets activated gives the focus to its first tab stop.
    HWND target = hwnd;
    if (window->kind == WindowKind::Dialog || window->kind == WindowKind::MessageBox) {
        if (HWND first = FirstTabStop(*window)) {
            target = first;
        }
    }
    focus = target;
}

void ResetFocus() {
    focus = nullptr;
}

} // namespace emu::wm

namespace emu {

HWND FocusWindow() {
    return wm::Focus();
}

} // namespace emu
