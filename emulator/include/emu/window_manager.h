// The window manager of the emulated desktop: what the other modules (GDI,
// the screenshot, the virtual user, the launcher) need to know about windows.
#pragma once

#include <windows.h>

#include "emu/resources.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
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
// Puts a key press (WM_KEYDOWN, WM_CHAR for Esc, Enter and printable keys,
// WM_KEYUP) into the input queue of the focus window and records a "key" event.
void PressKey(UINT vk);

// The virtual user's pace in modal loops, in virtual milliseconds: from the
// moment a dialog or message box is on the screen to the click or key press.
constexpr std::uint32_t DialogThinkTime = 500;
constexpr std::uint32_t MessageBoxThinkTime = 300;
// A modal loop still open this long after it started is closed by force and
// recorded as an "error" event.
constexpr std::uint32_t ModalWaitLimit = 60 * 60 * 1000;

// Called when a dialog or a message box is on the screen and painted, before
// the virtual user acts: with the dialog's template name or "MessageBox".
// emu::Reset() clears it.
std::function<void(const std::string& what)>& ScreenshotHook();

// While set, SetTimer fails (returns 0) as when the system is out of timers;
// emu::Reset() clears it.
void FailSetTimer(bool fail);
// While set, RegisterClassExA returns 0 with this error. With
// ERROR_CLASS_ALREADY_EXISTS the class is there all the same, as if it had
// been registered before. emu::Reset() clears it.
void FailRegisterClass(std::optional<DWORD> error);
// The CreateWindowExA calls with these numbers (1 is the first after a reset)
// fail before the window exists: no message, NULL, ERROR_NOT_ENOUGH_MEMORY,
// and a "window" event with op "create failed". emu::Reset() clears them.
void FailCreateWindow(std::set<int> calls);

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
