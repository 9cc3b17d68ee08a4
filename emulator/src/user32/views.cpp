// What tests, the screenshot and the launcher see of the window manager:
// views of windows, and the reset that takes the whole of user32 back to a
// fresh boot, each file's state in turn.
#include <windows.h>

#include "emu/window_manager.h"
#include "user32/win.h"

#include <optional>
#include <vector>

namespace emu {

std::optional<WindowView> ViewOf(HWND hwnd) {
    const wm::Window* window = wm::Find(hwnd);
    if (window == nullptr) {
        return std::nullopt;
    }
    WindowView view;
    view.hwnd = hwnd;
    view.kind = window->kind;
    view.className = window->className;
    view.control = window->control;
    view.text = window->text;
    view.rect = wm::ScreenRect(*window);
    view.style = window->style;
    view.id = window->id;
    view.visible = wm::IsVisible(*window);
    view.owner = window->owner;
    view.parent = window->parent;
    view.background = window->classBrush;
    view.messageBoxType = window->messageBoxType;
    view.icon = window->icon;
    return view;
}

std::vector<WindowView> VisibleTopLevelWindows() {
    std::vector<WindowView> result;
    for (HWND hwnd : wm::ZOrder()) {
        const wm::Window* window = wm::Find(hwnd);
        if (window != nullptr && (window->style & WS_VISIBLE) != 0) {
            result.push_back(*ViewOf(hwnd));
        }
    }
    return result;
}

std::vector<WindowView> ChildrenOf(HWND hwnd) {
    std::vector<WindowView> result;
    if (const wm::Window* window = wm::Find(hwnd)) {
        for (HWND child : window->children) {
            if (auto view = ViewOf(child)) {
                result.push_back(*view);
            }
        }
    }
    return result;
}

void ResetWindows() {
    wm::ResetWindowList();
    wm::ResetClasses();
    wm::ResetZOrder();
    wm::ResetFocus();
    wm::ResetPainting();
    wm::ResetSysParams();
    wm::ResetMessages();
    wm::ResetTimers();
    wm::ResetDialogs();
}

} // namespace emu
