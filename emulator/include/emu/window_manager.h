// The window manager of the emulated desktop as tests, the screenshot and the
// launcher inspect it. Faults to inject are in emu/faults.h, the virtual
// user's side in emu/virtual_user.h.
#pragma once

#include <windows.h>

#include "emu/resources.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace emu {

enum class WindowKind { Normal, Dialog, Control, MessageBox };
// What a control is, by its class, fixed when it is created.
enum class ControlKind { None, Button, Static, Edit };

struct WindowView {
    HWND hwnd = nullptr;
    WindowKind kind = WindowKind::Normal;
    std::string className;
    ControlKind control = ControlKind::None;
    std::string text; // caption or control text, Windows-1252
    RECT rect{};      // window rectangle in desktop coordinates
    DWORD style = 0;
    int id = 0; // control id
    bool visible = false;
    HWND owner = nullptr;  // for top-level windows
    HWND parent = nullptr; // for controls
    HBRUSH background = nullptr;
    UINT messageBoxType = 0; // MessageBox: the uType it was opened with (buttons, icon)
    HICON icon = nullptr;    // a static control's icon (STM_SETICON)
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

// The window that gets keyboard input: the focused control of an active
// dialog, else the active top-level window; when none is left, the last
// created top-level window that still exists.
HWND FocusWindow();

// The window whose DC it is (GetDC, BeginPaint), or null for the desktop's
// DC and for a DC that is not a window's.
HWND WindowOfDc(HDC hdc);

// A modal loop still open this long after it started is closed by force and
// recorded as an "error" event.
constexpr std::uint32_t ModalWaitLimit = 60 * 60 * 1000;

// DialogBoxParamA from a template that is not among the program's resources
// (tests); name is what the trace and the screenshot hook call it.
INT_PTR DialogBoxFromTemplate(HINSTANCE instance, const DialogTemplate& tpl,
                              const std::string& name, HWND owner, DLGPROC proc, LPARAM param);

// Windows created and not destroyed (controls, dialogs and message boxes too).
int LiveWindowCount();
// No windows, no classes but the system ones, empty queue, no timers, cursor
// count 0, no screenshot hook.
void ResetWindows();

} // namespace emu
