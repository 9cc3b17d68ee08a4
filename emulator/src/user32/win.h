// The window manager's own state, shared by its modules (windows, messages,
// timers, dialogs, message boxes). Not part of the control API.
#pragma once

#include <windows.h>

#include "emu/window_manager.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace emu::wm {

// Frame metrics of the classic look of Windows NT 4.0 at 96 dpi.
constexpr int BorderWidth = 1;    // SM_CXBORDER, SM_CYBORDER
constexpr int DlgFrameWidth = 3;  // SM_CXDLGFRAME, SM_CYDLGFRAME
constexpr int CaptionHeight = 19; // SM_CYCAPTION, the caption bar with its bottom line

constexpr DWORD ExDlgModalFrame = 0x00000001;  // WS_EX_DLGMODALFRAME
constexpr DWORD ExNoParentNotify = 0x00000004; // WS_EX_NOPARENTNOTIFY
constexpr DWORD ButtonTypeMask = 0x0000000F;
constexpr DWORD StaticIcon = 0x00000003;    // SS_ICON
constexpr DWORD NoIdleMessage = 0x00000100; // DS_NOIDLEMSG
constexpr UINT StaticSetIcon = 0x0170;      // STM_SETICON
constexpr UINT StaticGetIcon = 0x0171;      // STM_GETICON

struct DialogState {
    DLGPROC proc = nullptr;
    bool ended = false;
    INT_PTR result = 0;
    HWND disabledOwner = nullptr; // the owner that DialogBox disabled and EndDialog enables
};

struct Window {
    HWND hwnd = nullptr;
    std::uint64_t serial = 0; // creation order
    WindowKind kind = WindowKind::Normal;
    std::string className;
    WNDPROC proc = nullptr;
    HBRUSH classBrush = nullptr;
    UINT classStyle = 0;
    HINSTANCE instance = nullptr;
    std::string text;
    RECT rect{}; // window rectangle in the parent's client coordinates (desktop for top level)
    RECT clientInset{}; // frame widths on each side, as WM_NCCALCSIZE left them
    DWORD style = 0;
    DWORD exStyle = 0;
    // The styles CreateWindowExA was given, before the window manager
    // completed them (WS_CLIPSIBLINGS and the like); the trace shows these.
    DWORD requestedStyle = 0;
    DWORD requestedExStyle = 0;
    int id = 0;
    HWND parent = nullptr;
    HWND owner = nullptr;
    std::vector<HWND> children; // creation order
    bool hasUpdate = false;
    RECT update{}; // client coordinates
    bool erase = false;
    bool destroying = false;
    bool traced = false; // gets "window" trace events
    DialogState dialog;
    UINT messageBoxType = 0;
    HICON icon = nullptr; // a static control's, as STM_SETICON set it
};

Window* Find(HWND hwnd);
// hwnd itself or one of its descendants.
bool IsSelfOrDescendant(HWND ancestor, HWND hwnd);
// Effective visibility: the window and all its ancestors have WS_VISIBLE.
bool IsVisible(const Window& window);
RECT ScreenRect(const Window& window);
RECT ClientRect(const Window& window); // client coordinates: 0, 0, width, height
std::vector<HWND> AllWindows();        // creation order
// The first window in creation order that passes the test, without building
// the list: PeekMessageA asks at every round of a wait for a touch.
HWND FirstWindowWhere(const std::function<bool(const Window&)>& test);
std::string Upper(std::string text);
// Frame widths (left, top, right, bottom) that a style gives a window.
RECT FrameInsets(DWORD style, DWORD exStyle);
// Repaints the desktop and invalidates the windows below a top-level window
// where it no longer covers them (area in desktop coordinates).
void Expose(HWND hwnd, const RECT& area);
// The first WS_TABSTOP control that is visible and enabled.
HWND FirstTabStop(const Window& dialog);

struct CreateOptions {
    WindowKind kind = WindowKind::Normal;
    bool traced = false;
};
HWND Create(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param,
            const CreateOptions& options);

// Focus and activation.
HWND Focus();
void SetFocusTo(HWND hwnd);
// Gives the window the focus (a dialog: its first tab stop) and, with raise,
// brings it to the top.
void Activate(HWND hwnd, bool raise = true);

// Queue and timer housekeeping when a window goes.
void RemoveQueuedMessages(HWND hwnd);
void RemoveTimers(HWND hwnd);
void ResetMessages();
void ResetTimers();
// The next WM_TIMER due for the filter, taken off (rescheduled) when remove is set.
bool NextTimerMessage(HWND filter, bool remove, MSG* msg);

// Dialogs.
LRESULT CALLBACK DefDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Builds a dialog from a template: the window, its controls, WM_INITDIALOG.
// Returns nullptr when a control cannot be created.
HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& tpl, HWND owner,
                              DLGPROC proc, LPARAM param, WindowKind kind);
// What the virtual user does once the dialog is on the screen.
struct ModalUser {
    std::string what;            // passed to the screenshot hook
    std::uint32_t thinkTime = 0; // virtual milliseconds between seeing and acting
    std::function<void(HWND dialog)> seen;
    std::function<void(HWND dialog)> act;
};
struct ModalOutcome {
    INT_PTR result = 0;
    bool seen = false;                              // shown to the user
    bool acted = false;                             // the user's action was carried out
    bool destroyed = false;                         // went away without EndDialog
    std::string caption;                            // as shown
    std::vector<std::pair<int, std::string>> items; // as shown
    POINT position{};
    RECT rect{}; // on the screen
    DWORD style = 0;
    DWORD exStyle = 0;
};
ModalOutcome RunModalLoop(HWND dialog, HWND owner, const ModalUser& user);
// What IsDialogMessage does with a message for the dialog or one of its controls.
bool DialogMessage(HWND dialog, const MSG& msg);

constexpr int DialogBaseUnitX = 6;  // "MS Sans Serif" 8 at 96 dpi: average width of A-Z, a-z
constexpr int DialogBaseUnitY = 13; // and its character height
int DluToPixelsX(int units);
int DluToPixelsY(int units);

} // namespace emu::wm
