// The window manager of the emulated desktop: what the other modules (GDI,
// the screenshot, the virtual user, the launcher) need to know about windows.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace emu {

enum class WindowKind { Normal, Dialog, Control, MessageBox };

struct WindowView {
    HWND hwnd = nullptr;
    WindowKind kind = WindowKind::Normal;
    std::string className;
    std::string text; // caption or control text, Windows-1252
    RECT rect{};      // window rectangle in desktop coordinates
    DWORD style = 0;
    int id = 0; // control id
    bool visible = false;
    HWND owner = nullptr;  // for top-level windows
    HWND parent = nullptr; // for controls
    HBRUSH background = nullptr;
};

// The window, or nullopt once it is destroyed (or never existed).
std::optional<WindowView> ViewOf(HWND hwnd);
// Top-level windows that are visible, bottom of the Z order first.
std::vector<WindowView> VisibleTopLevelWindows();
// Child controls of a window, in creation order.
std::vector<WindowView> ChildrenOf(HWND hwnd);

// The update region of a window, as InvalidateRect left it (bounding
// rectangle in client coordinates), taken away by BeginPaint.
struct UpdateRegion {
    RECT rect{};
    bool erase = false;
};
std::optional<UpdateRegion> TakeUpdateRegion(HWND hwnd);

// The cursor's display count, as ShowCursor keeps it (0: shown).
int CursorDisplayCount();

// The window that gets keyboard input (the last created or activated top-level
// window that still exists).
HWND FocusWindow();
// Puts a key press (WM_KEYDOWN, WM_CHAR for printable keys, WM_KEYUP) into the
// queue of the focus window, as the keyboard driver would.
void PressKey(UINT vk);

// Windows created and not destroyed.
int LiveWindowCount();
void ResetWindows();

} // namespace emu
