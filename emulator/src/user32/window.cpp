// Window classes and windows: creation with the messages Windows sends,
// destruction of owned and child windows, visibility, Z order, geometry,
// texts, invalidation, the cursor and the default window procedure.
#include <windows.h>

#include "emu/clock.h"
#include "emu/gdi.h"
#include "emu/machine.h"
#include "emu/trace.h"
#include "emu/window_manager.h"
#include "coordinates.h"
#include "user32/win.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>

namespace emu::wm {

namespace {

// The right or bottom edge of a window placed anywhere in the 32-bit range (a
// program can ask for any position and size): kept within the range.
LONG FarEdge(int origin, int size) {
    return Plus(origin, size);
}

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    HINSTANCE instance = nullptr; // nullptr: a system class, found from every instance
    UINT style = 0;
    WNDPROC proc = nullptr;
    HBRUSH brush = nullptr;
};

constexpr std::uintptr_t FirstHandle = 0x10010;
constexpr std::uintptr_t HandleStep = 4;
constexpr ATOM FirstAtom = 0xC000;
constexpr LONG UseDefault = static_cast<LONG>(0x80000000); // CW_USEDEFAULT
constexpr int SizeRestored = 0;                            // SIZE_RESTORED
constexpr int ShowNoActivate = 4;                          // SW_SHOWNOACTIVATE
constexpr int ShowMinNoActive = 7;                         // SW_SHOWMINNOACTIVE
constexpr int ShowNA = 8;                                  // SW_SHOWNA
constexpr UINT SysCommandMask = 0xFFF0;
constexpr DWORD ClipSiblings = 0x04000000;           // WS_CLIPSIBLINGS
constexpr DWORD ThickFrame = 0x00040000;             // WS_THICKFRAME
constexpr DWORD ExWindowEdge = 0x00000100;           // WS_EX_WINDOWEDGE
const HWND InsertBottom = reinterpret_cast<HWND>(1); // HWND_BOTTOM
constexpr int CxBorderIndex = 5, CyBorderIndex = 6, CxDlgFrameIndex = 7, CyDlgFrameIndex = 8,
              CyCaptionIndex = 4;

std::map<std::uintptr_t, std::unique_ptr<Window>> windows;
std::vector<WindowClass> classes;
std::vector<HWND> zOrder; // top-level windows, bottom first
std::uintptr_t nextHandle = FirstHandle;
std::uint64_t nextSerial = 1;
ATOM nextAtom = FirstAtom;
HWND focus = nullptr;
int cursorCount = 0;
std::function<void(const std::string&)> screenshotHook;
// Failures asked for by a test or a scenario.
std::optional<DWORD> registerClassError;
std::set<int> failingCreations; // numbers of CreateWindowExA calls, from 1
int creationCalls = 0;

std::uintptr_t Key(HWND hwnd) {
    return reinterpret_cast<std::uintptr_t>(hwnd);
}

const WindowClass* FindClass(LPCSTR name, HINSTANCE instance) {
    if (name == nullptr) {
        return nullptr;
    }
    auto matches = [&](const WindowClass& cls) {
        if (IS_INTRESOURCE(name)) {
            return cls.atom == static_cast<ATOM>(reinterpret_cast<std::uintptr_t>(name));
        }
        return cls.name == Upper(name);
    };
    // The instance's own classes first, then the system classes.
    for (const WindowClass& cls : classes) {
        if (cls.instance != nullptr && cls.instance == instance && matches(cls)) {
            return &cls;
        }
    }
    for (const WindowClass& cls : classes) {
        if (cls.instance == nullptr && matches(cls)) {
            return &cls;
        }
    }
    return nullptr;
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // A static control keeps the icon it shows.
    if ((message == StaticSetIcon || message == StaticGetIcon) &&
        Upper(Find(hwnd)->className) == "STATIC") {
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

void RegisterSystemClasses() {
    // Their brushes are taken when a window is created, from GDI's stock objects.
    classes.push_back(
        {"BUTTON", nextAtom++, nullptr, CS_HREDRAW | CS_VREDRAW, ControlProc, nullptr});
    classes.push_back({"STATIC", nextAtom++, nullptr, 0, ControlProc, nullptr});
    classes.push_back({"EDIT", nextAtom++, nullptr, 0, ControlProc, nullptr});
    classes.push_back({"#32770", nextAtom++, nullptr, 0, DefDlgProc, nullptr});
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

// Sends WM_DESTROY to the window and then to its children.
void SendDestroy(HWND hwnd) {
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    const Window* window = Find(hwnd);
    if (window == nullptr) {
        return;
    }
    std::vector<HWND> children = window->children;
    for (HWND child : children) {
        if (Find(child) != nullptr) {
            SendDestroy(child);
        }
    }
}

// Children first, then WM_NCDESTROY and the window is gone.
void FreeWindow(HWND hwnd) {
    Window* window = Find(hwnd);
    if (window == nullptr) {
        return;
    }
    std::vector<HWND> children = window->children;
    for (HWND child : children) {
        Window* c = Find(child);
        if (c != nullptr) {
            c->destroying = true;
            FreeWindow(child);
        }
    }
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    window = Find(hwnd);
    if (window == nullptr) {
        return;
    }
    RemoveTimers(hwnd);
    RemoveQueuedMessages(hwnd);
    if (Window* parent = Find(window->parent)) {
        std::erase(parent->children, hwnd);
    }
    RemoveFromZOrder(hwnd);
    windows.erase(Key(hwnd));
}

void MoveFocusAwayFrom(HWND hwnd, HWND owner) {
    if (focus == nullptr || !IsSelfOrDescendant(hwnd, focus)) {
        return;
    }
    focus = nullptr;
    if (owner != nullptr && Find(owner) != nullptr && !Find(owner)->destroying) {
        focus = owner;
        return;
    }
    for (auto it = zOrder.rbegin(); it != zOrder.rend(); ++it) {
        const Window* window = Find(*it);
        if (*it != hwnd && window != nullptr && !window->destroying && IsVisible(*window)) {
            focus = *it;
            return;
        }
    }
}

// What CreateWindowEx adds to the styles it is given: a top-level window
// clips its siblings, and an overlapped one always has a caption.
DWORD CompletedStyle(DWORD style) {
    if ((style & (WS_CHILD | WS_POPUP)) == WS_CHILD) {
        return style;
    }
    style |= ClipSiblings;
    if ((style & WS_POPUP) == 0) {
        style |= WS_CAPTION;
    }
    return style;
}

// The raised window edge goes with a dialog frame, a thick frame or a modal
// frame, and with nothing else.
DWORD CompletedExStyle(DWORD style, DWORD exStyle) {
    if ((exStyle & ExDlgModalFrame) != 0 || (style & (WS_DLGFRAME | ThickFrame)) != 0) {
        return exStyle | ExWindowEdge;
    }
    return exStyle & ~ExWindowEdge;
}

Event GeometryEvent(const char* op, const Window& window) {
    RECT r = ScreenRect(window);
    return {{"ev", "window"},
            {"op", op},
            {"class", window.className},
            {"x", r.left},
            {"y", r.top},
            {"w", std::int64_t{r.right} - r.left},
            {"h", std::int64_t{r.bottom} - r.top},
            // As the program asked for them, before Windows completed them.
            {"style", window.requestedStyle},
            {"exstyle", window.requestedExStyle}};
}

} // namespace

Window* Find(HWND hwnd) {
    auto it = windows.find(Key(hwnd));
    return it == windows.end() ? nullptr : it->second.get();
}

bool IsSelfOrDescendant(HWND ancestor, HWND hwnd) {
    for (const Window* window = Find(hwnd); window != nullptr; window = Find(window->parent)) {
        if (window->hwnd == ancestor) {
            return true;
        }
    }
    return false;
}

bool IsVisible(const Window& window) {
    for (const Window* w = &window; w != nullptr; w = Find(w->parent)) {
        if ((w->style & WS_VISIBLE) == 0) {
            return false;
        }
    }
    return true;
}

RECT ScreenRect(const Window& window) {
    RECT r = window.rect;
    if (const Window* parent = Find(window.parent)) {
        RECT p = ScreenRect(*parent);
        LONG dx = Plus(p.left, parent->clientInset.left);
        LONG dy = Plus(p.top, parent->clientInset.top);
        r = {Plus(r.left, dx), Plus(r.top, dy), Plus(r.right, dx), Plus(r.bottom, dy)};
    }
    return r;
}

RECT ClientRect(const Window& window) {
    const RECT& r = window.rect;
    const RECT& inset = window.clientInset;
    LONG width = Saturate(std::int64_t{r.right} - r.left - inset.left - inset.right);
    LONG height = Saturate(std::int64_t{r.bottom} - r.top - inset.top - inset.bottom);
    return {0, 0, std::max<LONG>(width, 0), std::max<LONG>(height, 0)};
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
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

// What a top-level window leaves behind when it is hidden, destroyed or
// moved away from a place: the desktop shows again there, and the windows
// below it have that part to repaint.
void Expose(HWND hwnd, const RECT& area) {
    const Window* window = Find(hwnd);
    if (window == nullptr || (window->style & WS_CHILD) != 0) {
        return;
    }
    if (window->kind == WindowKind::Normal) {
        RepaintDesktop(area);
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

std::vector<HWND> AllWindows() {
    std::vector<const Window*> list;
    for (const auto& [key, window] : windows) {
        list.push_back(window.get());
    }
    std::sort(list.begin(), list.end(),
              [](const Window* a, const Window* b) { return a->serial < b->serial; });
    std::vector<HWND> result;
    for (const Window* window : list) {
        result.push_back(window->hwnd);
    }
    return result;
}

HWND FirstWindowWhere(const std::function<bool(const Window&)>& test) {
    const Window* first = nullptr;
    for (const auto& [key, window] : windows) {
        if ((first == nullptr || window->serial < first->serial) && test(*window)) {
            first = window.get();
        }
    }
    return first != nullptr ? first->hwnd : nullptr;
}

HWND Focus() {
    if (Find(focus) != nullptr) {
        return focus;
    }
    HWND last = nullptr;
    std::uint64_t serial = 0;
    for (const auto& [key, window] : windows) {
        if ((window->style & WS_CHILD) == 0 && !window->destroying && window->serial > serial) {
            serial = window->serial;
            last = window->hwnd;
        }
    }
    return last;
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

HWND Create(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param,
            const CreateOptions& options) {
    const WindowClass* cls = FindClass(className, instance);
    if (cls == nullptr) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    bool child = (style & WS_CHILD) != 0;
    if (parent != nullptr && Find(parent) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (child && parent == nullptr) {
        constexpr DWORD ErrorTopLevelWithChildStyle = 1406; // ERROR_TLW_WITH_WSCHILD
        SetLastError(ErrorTopLevelWithChildStyle);
        return nullptr;
    }
    if (x == UseDefault) {
        x = 0;
        y = 0;
    }
    if (width == UseDefault) {
        width = Machine().desktopWidth / 2;
        height = Machine().desktopHeight / 2;
    }

    auto window = std::make_unique<Window>();
    HWND hwnd = reinterpret_cast<HWND>(nextHandle);
    nextHandle += HandleStep;
    window->hwnd = hwnd;
    window->serial = nextSerial++;
    window->kind = child ? WindowKind::Control : options.kind;
    window->className = IS_INTRESOURCE(className) ? cls->name : std::string(className);
    window->proc = cls->proc;
    window->classBrush = cls->brush;
    if (cls->instance == nullptr && cls->name != "EDIT") {
        // Buttons, statics and dialogs are drawn in the 3-D face colour,
        // light grey in the classic scheme.
        window->classBrush = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    }
    window->classStyle = cls->style;
    window->instance = instance;
    window->rect = {x, y, FarEdge(x, width), FarEdge(y, height)};
    window->style = CompletedStyle(style) & ~static_cast<DWORD>(WS_VISIBLE);
    window->exStyle = CompletedExStyle(window->style, exStyle);
    window->requestedStyle = style & ~static_cast<DWORD>(WS_VISIBLE);
    window->requestedExStyle = exStyle;
    window->traced = options.traced && !child;
    if (child) {
        window->parent = parent;
        window->id = static_cast<int>(reinterpret_cast<std::intptr_t>(menu));
    } else if (parent != nullptr) {
        // The owner of a top-level window is the top-level ancestor of the
        // window given as its parent.
        HWND owner = parent;
        while (Find(owner) != nullptr && Find(owner)->parent != nullptr) {
            owner = Find(owner)->parent;
        }
        window->owner = owner;
    }
    Window* created = window.get();
    windows.emplace(Key(hwnd), std::move(window));
    if (child) {
        Find(parent)->children.push_back(hwnd);
    } else {
        zOrder.push_back(hwnd);
    }
    if (created->traced) {
        Record(GeometryEvent("create", *created));
    }

    CREATESTRUCTA cs{
        param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, className, exStyle};
    if (SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) == 0) {
        if (Window* w = Find(hwnd)) {
            w->destroying = true;
            if (w->traced) {
                Record(GeometryEvent("destroy", *w));
            }
            FreeWindow(hwnd);
        }
        return nullptr;
    }
    if (Find(hwnd) == nullptr) {
        return nullptr;
    }
    RECT nc = Find(hwnd)->rect;
    SendMessageA(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&nc));
    if (Window* w = Find(hwnd)) {
        w->clientInset = {Minus(nc.left, w->rect.left), Minus(nc.top, w->rect.top),
                          Minus(w->rect.right, nc.right), Minus(w->rect.bottom, nc.bottom)};
    } else {
        return nullptr;
    }
    // The window of WM_CREATE runs whole programs: anything may be gone after it.
    if (SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        if (Find(hwnd) != nullptr) {
            DestroyWindow(hwnd);
        }
        return nullptr;
    }
    Window* w = Find(hwnd);
    if (w == nullptr || w->destroying) {
        return nullptr;
    }
    RECT client = ClientRect(*w);
    SendMessageA(hwnd, WM_SIZE, SizeRestored, MAKELONG(client.right, client.bottom));
    if ((w = Find(hwnd)) == nullptr) {
        return nullptr;
    }
    SendMessageA(
        hwnd, WM_MOVE, 0,
        MAKELONG(Plus(w->rect.left, w->clientInset.left), Plus(w->rect.top, w->clientInset.top)));
    if (Find(hwnd) == nullptr) {
        return nullptr;
    }
    if ((style & WS_VISIBLE) != 0) {
        ShowWindow(hwnd, SW_SHOW);
    }
    return Find(hwnd) != nullptr ? hwnd : nullptr;
}

} // namespace emu::wm

using emu::wm::Find;
using emu::wm::Window;

namespace {
ATOM AddWindowClass(const WNDCLASSEXA* lpwcx) {
    if (lpwcx == nullptr || lpwcx->cbSize != sizeof(WNDCLASSEXA) ||
        lpwcx->lpszClassName == nullptr || lpwcx->lpfnWndProc == nullptr ||
        IS_INTRESOURCE(lpwcx->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string name = emu::wm::Upper(lpwcx->lpszClassName);
    for (const auto& cls : emu::wm::classes) {
        if (cls.instance == lpwcx->hInstance && cls.name == name) {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
    }
    const std::optional<DWORD> failure = emu::wm::registerClassError;
    if (failure && *failure != ERROR_CLASS_ALREADY_EXISTS) {
        SetLastError(*failure);
        return 0;
    }
    ATOM atom = emu::wm::nextAtom++;
    emu::wm::classes.push_back(
        {name, atom, lpwcx->hInstance, lpwcx->style, lpwcx->lpfnWndProc, lpwcx->hbrBackground});
    if (failure) {
        // A class of that name was there before: windows of it can be made.
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    return atom;
}
} // namespace

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* lpwcx) {
    // Win32s has no such function: a program that imports it does not load.
    if (emu::Machine().platform == emu::Platform::Win32s) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    return AddWindowClass(lpwcx);
}

// The same class without a small icon, as user32 registers it.
ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
    if (lpWndClass == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const WNDCLASSEXA extended{
        sizeof(WNDCLASSEXA),      lpWndClass->style,         lpWndClass->lpfnWndProc,
        lpWndClass->cbClsExtra,   lpWndClass->cbWndExtra,    lpWndClass->hInstance,
        lpWndClass->hIcon,        lpWndClass->hCursor,       lpWndClass->hbrBackground,
        lpWndClass->lpszMenuName, lpWndClass->lpszClassName, nullptr};
    return AddWindowClass(&extended);
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
    if (emu::wm::failingCreations.count(++emu::wm::creationCalls) != 0) {
        // Out of memory before the window exists: no message is sent.
        emu::Record(
            {{"ev", "window"},
             {"op", "create failed"},
             {"class", IS_INTRESOURCE(lpClassName) ? std::string("#") : std::string(lpClassName)},
             {"x", X},
             {"y", Y},
             {"w", nWidth},
             {"h", nHeight}});
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    emu::wm::CreateOptions options;
    options.traced = true;
    return emu::wm::Create(dwExStyle, lpClassName, lpWindowName, dwStyle, X, Y, nWidth, nHeight,
                           hWndParent, hMenu, hInstance, lpParam, options);
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    Window* window = Find(hWnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (window->destroying) {
        return TRUE; // already on its way out, further up the stack
    }
    window->destroying = true;
    bool child = (window->style & WS_CHILD) != 0;
    HWND owner = window->owner;
    if (child && (window->style & WS_VISIBLE) != 0) {
        ShowWindow(hWnd, SW_HIDE);
    } else if ((window = Find(hWnd)) != nullptr && (window->style & WS_VISIBLE) != 0) {
        window->style &= ~static_cast<DWORD>(WS_VISIBLE);
        emu::wm::Expose(hWnd, emu::wm::ScreenRect(*window));
    }
    if (!child) {
        // Owned windows go first, each completely.
        for (bool found = true; found;) {
            found = false;
            for (HWND other : emu::wm::AllWindows()) {
                Window* w = Find(other);
                if (w != nullptr && w->owner == hWnd && !w->destroying) {
                    DestroyWindow(other);
                    found = true;
                    break;
                }
            }
        }
    }
    emu::wm::MoveFocusAwayFrom(hWnd, owner);
    if ((window = Find(hWnd)) != nullptr && window->traced) {
        emu::Record(emu::wm::GeometryEvent("destroy", *window));
    }
    emu::wm::SendDestroy(hWnd);
    emu::wm::FreeWindow(hWnd);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) {
    return Find(hWnd) != nullptr ? TRUE : FALSE;
}

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
    if (!child && nCmdShow != emu::wm::ShowNoActivate && nCmdShow != emu::wm::ShowNA &&
        nCmdShow != emu::wm::ShowMinNoActive) {
        emu::wm::Activate(hWnd);
    }
    return wasVisible ? TRUE : FALSE;
}

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
        SendMessageA(hWnd, WM_SIZE, emu::wm::SizeRestored, MAKELONG(client.right, client.bottom));
    }
    if (moved && (window = Find(hWnd)) != nullptr) {
        SendMessageA(hWnd, WM_MOVE, 0,
                     MAKELONG(emu::Plus(window->rect.left, window->clientInset.left),
                              emu::Plus(window->rect.top, window->clientInset.top)));
    }
    return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    if (Find(hWnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0 ? TRUE
                                                                                      : FALSE;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    if (lpString != nullptr && nMaxCount > 0) {
        lpString[0] = '\0';
    }
    if (Find(hWnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXT,
                                         static_cast<WPARAM>(std::max(nMaxCount, 0)),
                                         reinterpret_cast<LPARAM>(lpString)));
}

HWND WINAPI GetParent(HWND hWnd) {
    const Window* window = Find(hWnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if ((window->style & WS_CHILD) != 0) {
        return window->parent;
    }
    return (window->style & WS_POPUP) != 0 ? window->owner : nullptr;
}

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex) {
    const Window* window = Find(hWnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (nIndex) {
    case GWL_STYLE: return static_cast<LONG>(window->style);
    case GWL_EXSTYLE: return static_cast<LONG>(window->exStyle);
    // A top-level window's "identifier" is its menu, and it has none.
    case GWL_ID: return (window->style & WS_CHILD) != 0 ? window->id : 0;
    default: {
        constexpr DWORD ErrorInvalidIndex = 1413; // ERROR_INVALID_INDEX
        SetLastError(ErrorInvalidIndex);
        return 0;
    }
    }
}

// Top-level windows only, from the top of the Z order down; class and window
// names compare without regard to case, a null one matches any.
HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
    for (auto it = emu::wm::zOrder.rbegin(); it != emu::wm::zOrder.rend(); ++it) {
        const Window* window = Find(*it);
        if (window == nullptr || window->destroying) {
            continue;
        }
        bool classMatches =
            lpClassName == nullptr ||
            (IS_INTRESOURCE(lpClassName)
                 ? emu::wm::FindClass(window->className.c_str(), window->instance) ==
                       emu::wm::FindClass(lpClassName, window->instance)
                 : emu::wm::Upper(lpClassName) == emu::wm::Upper(window->className));
        bool nameMatches =
            lpWindowName == nullptr || emu::wm::Upper(lpWindowName) == emu::wm::Upper(window->text);
        if (classMatches && nameMatches) {
            return *it;
        }
    }
    return nullptr;
}

int WINAPI GetSystemMetrics(int nIndex) {
    switch (nIndex) {
    case SM_CXSCREEN: return emu::Machine().desktopWidth;
    case SM_CYSCREEN: return emu::Machine().desktopHeight;
    case emu::wm::CyCaptionIndex: return emu::wm::CaptionHeight;
    case emu::wm::CxBorderIndex:
    case emu::wm::CyBorderIndex: return emu::wm::BorderWidth;
    case emu::wm::CxDlgFrameIndex:
    case emu::wm::CyDlgFrameIndex: return emu::wm::DlgFrameWidth;
    default: return 0;
    }
}

int WINAPI ShowCursor(BOOL bShow) {
    emu::wm::cursorCount += bShow ? 1 : -1;
    emu::Record({{"ev", "cursor"}, {"count", emu::wm::cursorCount}});
    return emu::wm::cursorCount;
}

BOOL WINAPI MessageBeep(UINT uType) {
    emu::Record({{"ev", "beep"}, {"type", uType}});
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    if (hWnd == nullptr) {
        // The desktop: every top-level window gets repainted.
        std::vector<HWND> top = emu::wm::zOrder;
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
        return emu::EraseBackground(hWnd, reinterpret_cast<HDC>(wParam));
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
    for (HWND hwnd : wm::zOrder) {
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

std::optional<UpdateRegion> TakeUpdateRegion(HWND hwnd) {
    wm::Window* window = wm::Find(hwnd);
    if (window == nullptr || !window->hasUpdate) {
        return std::nullopt;
    }
    UpdateRegion region{window->update, window->erase};
    window->hasUpdate = false;
    window->erase = false;
    window->update = {};
    return region;
}

int CursorDisplayCount() {
    return wm::cursorCount;
}

HWND FocusWindow() {
    return wm::Focus();
}

void FailRegisterClass(std::optional<DWORD> error) {
    wm::registerClassError = error;
}

void FailCreateWindow(std::set<int> calls) {
    wm::failingCreations = std::move(calls);
}

int LiveWindowCount() {
    return static_cast<int>(wm::windows.size());
}

std::function<void(const std::string& what)>& ScreenshotHook() {
    return wm::screenshotHook;
}

void ResetWindows() {
    wm::windows.clear();
    wm::classes.clear();
    wm::zOrder.clear();
    wm::nextHandle = wm::FirstHandle;
    wm::nextSerial = 1;
    wm::nextAtom = wm::FirstAtom;
    wm::focus = nullptr;
    wm::cursorCount = 0;
    wm::screenshotHook = nullptr;
    wm::registerClassError.reset();
    wm::failingCreations.clear();
    wm::creationCalls = 0;
    wm::RegisterSystemClasses();
    wm::ResetMessages();
    wm::ResetTimers();
}

} // namespace emu
