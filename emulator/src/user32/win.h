// The window manager's own declarations, grouped by the file that owns them.
// Not part of any public face: the Win32 calls are declared in winuser.h,
// inspection in emu/window_manager.h, faults in emu/faults.h.
#pragma once

#include <windows.h>

#include "emu/window_manager.h"
#include "gdi32/gdi_private.h"
#include "sdk.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace emu::wm {

struct DialogState {
    DLGPROC proc = nullptr;
    bool ended = false;
    INT_PTR result = 0;
    HWND disabledOwner = nullptr; // the owner that DialogBox disabled and EndDialog enables
};

// --- window.cpp: windows, their creation and destruction -----------------------------

struct Window {
    HWND hwnd = nullptr;
    std::uint64_t serial = 0; // creation order
    WindowKind kind = WindowKind::Normal;
    ControlKind control = ControlKind::None; // from the class name, fixed at creation
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
HWND LastWindowWhere(const std::function<bool(const Window&)>& test);

struct CreateOptions {
    WindowKind kind = WindowKind::Normal;
    bool traced = false;
};
HWND Create(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param,
            const CreateOptions& options);
void ResetWindowList();

// --- class.cpp: window classes ------------------------------------------------------

struct WindowClass {
    std::string name; // upper case
    ATOM atom = 0;
    HINSTANCE instance = nullptr; // nullptr: a system class, found from every instance
    UINT style = 0;
    WNDPROC proc = nullptr;
    HBRUSH brush = nullptr;
};
// The instance's own class of that name or atom, else the system class.
const WindowClass* FindClass(LPCSTR name, HINSTANCE instance);
// What kind of control a window of the class is (by the class name, as the
// system classes are found).
ControlKind ControlKindOf(std::string_view className);
// Empties the list but for the system classes.
void ResetClasses();

// --- winpos.cpp: Z order, placement and visibility ------------------------------------

std::vector<HWND>& ZOrder(); // top-level windows, bottom first
void RemoveFromZOrder(HWND hwnd);
// Brings a top-level window to the top and its owned windows above it.
void BringToTop(HWND hwnd);
// Frame widths (left, top, right, bottom) that a style gives a window.
RECT FrameInsets(DWORD style, DWORD exStyle);
// Repaints the desktop and invalidates the windows below a top-level window
// where it no longer covers them (area in desktop coordinates).
void Expose(HWND hwnd, const RECT& area);
void ResetZOrder();

// --- focus.cpp: focus and activation --------------------------------------------------

HWND Focus();
void SetFocusTo(HWND hwnd);
// Gives the window the focus (a dialog: its first tab stop) and, with raise,
// brings it to the top.
void Activate(HWND hwnd, bool raise = true);
// Moves the focus off a window that is hidden or going, to its owner or the
// topmost visible window.
void MoveFocusAwayFrom(HWND hwnd, HWND owner);
// The first WS_TABSTOP control that is visible and enabled.
HWND FirstTabStop(const Window& dialog);
void ResetFocus();

// --- painting.cpp: update regions and the DCs of windows -------------------------------

// Invalidates the window and its visible children whole, with erasing.
void InvalidateTree(HWND hwnd);
// The client area in desktop coordinates, as WM_NCCALCSIZE left it.
RECT ClientOnDesktop(const Window& window);
// What DefWindowProcA does for WM_ERASEBKGND: fills the DC's clip area with
// the class brush. Returns 1 when it erased, 0 when there is no brush.
LRESULT EraseBackground(HWND hwnd, HDC hdc);
void ResetPainting();

// --- defwnd.cpp: the default window procedures ----------------------------------------

// The procedure of the system control classes (BUTTON, STATIC, EDIT).
LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// --- sysparams.cpp: metrics and colours of the classic look ------------------------------

// Frame metrics of the classic look of Windows NT 4.0 at 96 dpi.
constexpr int BorderWidth = 1;    // SM_CXBORDER, SM_CYBORDER
constexpr int DlgFrameWidth = 3;  // SM_CXDLGFRAME, SM_CYDLGFRAME
constexpr int CaptionHeight = 19; // SM_CYCAPTION, the caption bar with its bottom line

constexpr int ColourBackground = 1;
constexpr int ColourActiveCaption = 2;
constexpr int ColourWindow = 5;
constexpr int ColourWindowText = 8;
constexpr int ColourCaptionText = 9;
constexpr int ColourBtnFace = 15;
constexpr int ColourBtnShadow = 16;
constexpr int ColourBtnText = 18;
constexpr int ColourBtnHighlight = 20;
constexpr int Colour3dDkShadow = 21;
constexpr int Colour3dLight = 22;
// GetSysColor of the classic scheme, 0x00RRGGBB.
std::uint32_t SysColour(int index);
void ResetSysParams();

// --- uitools.cpp: user32's drawing on a DC ----------------------------------------------

// What a brush puts down: a brush object, or a system colour index + 1 as
// window classes give it.
gdi::Paint UserBrush(HBRUSH brush);
// DrawEdge without BF_DIAGONAL, BF_MIDDLE or BF_ADJUST; edge and flags as
// DrawEdge takes them. For the screenshot too.
void DrawRectEdge(gdi::Canvas& canvas, const RECT& rect, UINT edge, UINT flags);

// --- messages.cpp, timers.cpp: the queue and timers --------------------------------------

// Queue and timer housekeeping when a window goes.
void RemoveQueuedMessages(HWND hwnd);
void RemoveTimers(HWND hwnd);
void ResetMessages();
void ResetTimers();
// The next WM_TIMER due for the filter, taken off (rescheduled) when remove is set.
bool NextTimerMessage(HWND filter, bool remove, MSG* msg);

// --- dialogs.cpp: dialog boxes and their modal loop ---------------------------------------

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
void ResetDialogs();
ModalOutcome RunModalLoop(HWND dialog, HWND owner, const ModalUser& user);
// What IsDialogMessage does with a message for the dialog or one of its controls.
bool DialogMessage(HWND dialog, const MSG& msg);

constexpr int DialogBaseUnitX = 6;  // "MS Sans Serif" 8 at 96 dpi: average width of A-Z, a-z
constexpr int DialogBaseUnitY = 13; // and its character height
int DluToPixelsX(int units);
int DluToPixelsY(int units);

} // namespace emu::wm
