// Windows: creation with the messages Windows sends, destruction of owned
// and child windows, texts, and the views of them that tests inspect.
#include <windows.h>

#include "emu/faults.h"
#include "emu/machine.h"
#include "emu/trace.h"
#include "emu/window_manager.h"
#include "coordinates.h"
#include "kernel32/codepage.h"
#include "user32/win.h"
#include "sdk.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <set>

namespace emu::wm {

namespace {

// The right or bottom edge of a window placed anywhere in the 32-bit range (a
// program can ask for any position and size): kept within the range.
LONG FarEdge(int origin, int size) {
    return Plus(origin, size);
}
constexpr std::uintptr_t FirstHandle = 0x10010;
constexpr std::uintptr_t HandleStep = 4;

std::map<std::uintptr_t, std::unique_ptr<Window>> windows;
std::uintptr_t nextHandle = FirstHandle;
std::uint64_t nextSerial = 1;
// Failures asked for by a test or a scenario.
std::set<int> failingCreations; // numbers of CreateWindowExA calls, from 1
int creationCalls = 0;

std::uintptr_t Key(HWND hwnd) {
    return reinterpret_cast<std::uintptr_t>(hwnd);
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

HWND LastWindowWhere(const std::function<bool(const Window&)>& test) {
    const Window* last = nullptr;
    for (const auto& [key, window] : windows) {
        if ((last == nullptr || window->serial > last->serial) && test(*window)) {
            last = window.get();
        }
    }
    return last != nullptr ? last->hwnd : nullptr;
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
    window->control = ControlKindOf(window->className);
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
        ZOrder().push_back(hwnd);
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

void ResetWindowList() {
    windows.clear();
    nextHandle = FirstHandle;
    nextSerial = 1;
    failingCreations.clear();
    creationCalls = 0;
}

} // namespace emu::wm

using emu::wm::Find;
using emu::wm::Window;

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
        SetLastError(emu::ErrorInvalidIndex);
        return 0;
    }
    }
}

// Top-level windows only, from the top of the Z order down; class and window
// names compare without regard to case, a null one matches any.
HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
    for (auto it = emu::wm::ZOrder().rbegin(); it != emu::wm::ZOrder().rend(); ++it) {
        const Window* window = Find(*it);
        if (window == nullptr || window->destroying) {
            continue;
        }
        bool classMatches =
            lpClassName == nullptr ||
            (IS_INTRESOURCE(lpClassName)
                 ? emu::wm::FindClass(window->className.c_str(), window->instance) ==
                       emu::wm::FindClass(lpClassName, window->instance)
                 : emu::Upper(lpClassName) == emu::Upper(window->className));
        bool nameMatches =
            lpWindowName == nullptr || emu::Upper(lpWindowName) == emu::Upper(window->text);
        if (classMatches && nameMatches) {
            return *it;
        }
    }
    return nullptr;
}

namespace emu {

void FailCreateWindow(std::set<int> calls) {
    wm::failingCreations = std::move(calls);
}

int LiveWindowCount() {
    return static_cast<int>(wm::windows.size());
}

} // namespace emu
