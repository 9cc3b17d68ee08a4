// Modal dialog boxes: built from the program's templates, run by a modal loop
// that dispatches the queued messages of every window of the thread while
// the virtual user reads the dialog and answers it.
#include <windows.h>

#include "emu/clock.h"
#include "emu/machine.h"
#include "emu/resources.h"
#include "emu/trace.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"
#include "user32/win.h"
#include "sdk.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

namespace emu::wm {

namespace {

std::function<void(const std::string&)> screenshotHook;

// Messages whose dialog procedure result is the message result itself
// rather than "handled".
bool ReturnsProcResult(UINT message) {
    constexpr UINT CompareItem = 0x0039, VKeyToItem = 0x002E, CharToItem = 0x002F,
                   QueryDragIcon = 0x0037, CtlColorFirst = 0x0132, CtlColorLast = 0x0138;
    return message == WM_INITDIALOG || message == CompareItem || message == VKeyToItem ||
           message == CharToItem || message == QueryDragIcon ||
           (message >= CtlColorFirst && message <= CtlColorLast);
}

WPARAM CommandParam(int id, int code) {
    return static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(id, code)));
}

// MulDiv: rounds half away from zero.
int ScaleRounded(int value, int numerator, int denominator) {
    long long product = static_cast<long long>(value) * numerator;
    long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

bool IsPushButton(const Window& window) {
    if (window.control != ControlKind::Button) {
        return false;
    }
    DWORD type = window.style & ButtonTypeMask;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// The command that Enter gives: the focused push button, else the default
// push button (DM_GETDEFID), else IDOK.
std::pair<int, HWND> EnterCommand(HWND dialog) {
    HWND focused = Focus();
    const Window* f = Find(focused);
    if (f != nullptr && f->parent == dialog && IsPushButton(*f)) {
        return {f->id, focused};
    }
    if (const Window* d = Find(dialog)) {
        for (HWND child : d->children) {
            const Window* c = Find(child);
            if (c != nullptr && c->control == ControlKind::Button &&
                (c->style & ButtonTypeMask) == BS_DEFPUSHBUTTON) {
                return {c->id, child};
            }
        }
    }
    return {IDOK, GetDlgItem(dialog, IDOK)};
}

void Snapshot(HWND dialog, ModalOutcome& outcome) {
    const Window* d = Find(dialog);
    if (d == nullptr) {
        return;
    }
    outcome.caption = d->text;
    RECT r = ScreenRect(*d);
    outcome.position = {r.left, r.top};
    outcome.rect = r;
    outcome.style = d->style;
    outcome.exStyle = d->exStyle;
    outcome.items.clear();
    for (HWND child : d->children) {
        if (const Window* c = Find(child)) {
            outcome.items.emplace_back(c->id, c->text);
        }
    }
}

void ClickButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr) {
        Record(
            {{"ev", "error"}, {"what", "the user clicks a button the dialog lacks"}, {"id", id}});
        return;
    }
    // What a button does on a click: BN_CLICKED to its parent.
    SendMessageA(dialog, WM_COMMAND, CommandParam(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

void PerformDialogAction(HWND dialog, ActionKind kind) {
    switch (kind) {
    case ActionKind::Yes: ClickButton(dialog, IDOK); break;
    case ActionKind::No: ClickButton(dialog, IDCANCEL); break;
    case ActionKind::Enter: PressKey(VK_RETURN); break;
    case ActionKind::Escape: PressKey(VK_ESCAPE); break;
    // The close box: the non-client click becomes SC_CLOSE.
    case ActionKind::Close: SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    default: break; // Timeout: wait until the dialog goes away
    }
}

std::string TemplateName(LPCSTR name) {
    if (IS_INTRESOURCE(name)) {
        return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name));
    }
    return name;
}

} // namespace

int DluToPixelsX(int units) {
    return ScaleRounded(units, DialogBaseUnitX, 4);
}
int DluToPixelsY(int units) {
    return ScaleRounded(units, DialogBaseUnitY, 8);
}

LRESULT CALLBACK DefDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const Window* window = Find(hwnd);
    DLGPROC proc = window != nullptr ? window->dialog.proc : nullptr;
    if (proc != nullptr) {
        INT_PTR handled = proc(hwnd, message, wParam, lParam);
        if (handled != 0 || ReturnsProcResult(message)) {
            // DWLP_MSGRESULT is not emulated: a handled message results in 0.
            return ReturnsProcResult(message) ? handled : 0;
        }
        if (Find(hwnd) == nullptr) {
            return 0;
        }
    }
    switch (message) {
    case WM_CLOSE:
        // The close box means Cancel, as the dialog manager posts it.
        PostMessageA(hwnd, WM_COMMAND, CommandParam(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDCANCEL)));
        return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& tpl, HWND owner,
                              DLGPROC proc, LPARAM param, WindowKind kind) {
    // Every dialog gets the 3-D look; a modal frame is an extended style, and
    // a dialog that holds controls is their parent for the keyboard.
    DWORD style = tpl.style | ThreeDLook;
    DWORD exStyle = tpl.exStyle | ((style & DS_MODALFRAME) != 0 ? ExDlgModalFrame : 0) |
                    ((style & WS_CHILD) == 0 ? ExControlParent : 0);
    RECT inset = FrameInsets(style, exStyle);
    int width = DluToPixelsX(tpl.cx) + inset.left + inset.right;
    int height = DluToPixelsY(tpl.cy) + inset.top + inset.bottom;
    // The template places the client area, relative to the owner's client
    // area unless DS_ABSALIGN.
    // In 64 bits until it is on the desktop: the owner may lie anywhere in the
    // 32-bit range.
    std::int64_t x = DluToPixelsX(tpl.x) - inset.left;
    std::int64_t y = DluToPixelsY(tpl.y) - inset.top;
    if (const Window* o = Find(owner); o != nullptr && (tpl.style & AbsAlign) == 0) {
        RECT r = ScreenRect(*o);
        x += std::int64_t{r.left} + o->clientInset.left;
        y += std::int64_t{r.top} + o->clientInset.top;
    }
    // Then moved to lie on the desktop, its top left corner first.
    int desktopWidth = Machine().desktopWidth;
    int desktopHeight = Machine().desktopHeight;
    x = std::max<std::int64_t>(std::min<std::int64_t>(x, desktopWidth - width), 0);
    y = std::max<std::int64_t>(std::min<std::int64_t>(y, desktopHeight - height), 0);

    // The owner of a modal dialog takes no input from before the dialog
    // exists until EndDialog.
    HWND disabledOwner = nullptr;
    if (Window* o = Find(owner); o != nullptr && (o->style & WS_DISABLED) == 0) {
        o->style |= WS_DISABLED;
        disabledOwner = owner;
    }
    CreateOptions options;
    options.kind = kind;
    HWND dialog =
        Create(exStyle, "#32770", tpl.caption.c_str(), style & ~static_cast<DWORD>(WS_VISIBLE),
               static_cast<int>(x), static_cast<int>(y), width, height, owner, nullptr, instance,
               nullptr, options);
    auto fail = [disabledOwner]() -> HWND {
        if (Window* o = Find(disabledOwner)) {
            o->style &= ~static_cast<DWORD>(WS_DISABLED);
        }
        return nullptr;
    };
    if (dialog == nullptr) {
        return fail();
    }
    Find(dialog)->dialog.proc = proc;
    Find(dialog)->dialog.disabledOwner = disabledOwner;
    // A template with its own font announces it to the dialog, then to each
    // control, before WM_INITDIALOG.
    const bool setFont = (style & DS_SETFONT) != 0;
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    if (setFont && proc != nullptr) {
        SendMessageA(dialog, WM_SETFONT, font, 0);
    }
    for (const DialogItemTemplate& item : tpl.items) {
        HWND control = Create(item.exStyle | ExNoParentNotify, item.className.c_str(),
                              item.text.c_str(), item.style | WS_CHILD, DluToPixelsX(item.x),
                              DluToPixelsY(item.y), DluToPixelsX(item.cx), DluToPixelsY(item.cy),
                              dialog, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(item.id)),
                              instance, nullptr, CreateOptions{});
        if (Find(dialog) == nullptr) {
            return fail();
        }
        if (control == nullptr) {
            DestroyWindow(dialog);
            return fail();
        }
        if (setFont) {
            SendMessageA(control, WM_SETFONT, font, FALSE);
        }
    }
    HWND first = FirstTabStop(*Find(dialog));
    LRESULT focusDefault =
        SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
    if (Find(dialog) == nullptr) {
        return fail();
    }
    // TRUE from WM_INITDIALOG: the dialog manager gives the focus to the
    // control that wParam named.
    if (focusDefault != 0 && first != nullptr && Find(first) != nullptr) {
        SetFocusTo(first);
    }
    if ((style & WS_VISIBLE) != 0) {
        ShowWindow(dialog, SW_SHOWNORMAL);
    }
    return Find(dialog) != nullptr ? dialog : nullptr;
}

bool DialogMessage(HWND dialog, const MSG& msg) {
    if (msg.hwnd == nullptr || !IsSelfOrDescendant(dialog, msg.hwnd)) {
        return false;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        SendMessageA(dialog, WM_COMMAND, IDCANCEL,
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        return true;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
        auto [id, button] = EnterCommand(dialog);
        SendMessageA(dialog, WM_COMMAND, CommandParam(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        return true;
    }
    DispatchMessageA(&msg);
    return true;
}

ModalOutcome RunModalLoop(HWND dialog, HWND owner, const ModalUser& user) {
    ModalOutcome outcome;
    Snapshot(dialog, outcome);
    const std::uint32_t start = Now();
    std::uint32_t seenAt = 0;
    bool idle = false; // WM_ENTERIDLE sent since the last message
    for (;;) {
        const Window* d = Find(dialog);
        if (d == nullptr) {
            // Destroyed without EndDialog, e.g. with its owner: DialogBox gives 0.
            outcome.destroyed = true;
            outcome.result = 0;
            return outcome;
        }
        if (d->dialog.ended) {
            break;
        }
        if (Now() - start >= ModalWaitLimit) {
            Record({{"ev", "error"},
                    {"what", "modal loop still open after an hour"},
                    {"window", user.what}});
            DestroyWindow(dialog);
            outcome.destroyed = true;
            outcome.result = 0;
            return outcome;
        }
        if (outcome.seen && !outcome.acted && Now() - seenAt >= user.thinkTime) {
            outcome.acted = true;
            if (user.act) {
                user.act(dialog);
            }
            continue;
        }
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            idle = false;
            if (!DialogMessage(dialog, msg)) {
                DispatchMessageA(&msg);
            }
            // A dialog that a timer tick reached before it was ever shown is
            // shown right after that tick, even with messages still queued.
            if (msg.message == WM_TIMER && !outcome.seen && Find(dialog) != nullptr &&
                !Find(dialog)->dialog.ended && (Find(dialog)->style & WS_VISIBLE) == 0) {
                ShowWindow(dialog, SW_SHOWNORMAL);
            }
            continue;
        }
        // The owner hears once that the dialog waits for input.
        if (!idle && (d->style & NoIdleMessage) == 0 && Find(owner) != nullptr) {
            idle = true;
            SendMessageA(owner, EnterIdle, DialogBoxIdle, reinterpret_cast<LPARAM>(dialog));
            continue;
        }
        // Windows shows a modal dialog when its queue first runs empty, and
        // the user sees it once it has been painted.
        if ((d->style & WS_VISIBLE) == 0 && !outcome.seen) {
            ShowWindow(dialog, SW_SHOWNORMAL);
            continue;
        }
        if (!outcome.seen) {
            outcome.seen = true;
            seenAt = Now();
            Snapshot(dialog, outcome);
            if (ScreenshotHook()) {
                ScreenshotHook()(user.what);
            }
            if (user.seen) {
                user.seen(dialog);
            }
            continue;
        }
        Advance(ModalLoopStep);
    }
    outcome.result = Find(dialog)->dialog.result;
    DestroyWindow(dialog);
    return outcome;
}

namespace {

INT_PTR RunDialogBox(HINSTANCE instance, const DialogTemplate& tpl, const std::string& name,
                     HWND owner, DLGPROC proc, LPARAM param) {
    while (Find(owner) != nullptr && Find(owner)->parent != nullptr) {
        owner = Find(owner)->parent;
    }
    HWND dialog = CreateDialogFromTemplate(instance, tpl, owner, proc, param, WindowKind::Dialog);
    if (dialog == nullptr) {
        return -1;
    }
    bool taken = false;
    UserAction action;
    ModalUser user;
    user.what = name;
    user.thinkTime = DialogThinkTime;
    user.seen = [&](HWND) {
        action = TakeDialogAction();
        taken = true;
    };
    user.act = [&](HWND d) { PerformDialogAction(d, action.kind); };
    ModalOutcome outcome = RunModalLoop(dialog, owner, user);

    Event items = Event::object();
    for (const auto& [id, text] : outcome.items) {
        items[std::to_string(id)] = Utf8FromWindows1252(text);
    }
    Record({{"ev", "dialog"},
            {"template", name},
            {"caption", Utf8FromWindows1252(outcome.caption)},
            {"items", items},
            {"x", outcome.position.x},
            {"y", outcome.position.y},
            {"w", std::int64_t{outcome.rect.right} - outcome.rect.left},
            {"h", std::int64_t{outcome.rect.bottom} - outcome.rect.top},
            {"style", outcome.style},
            {"exstyle", outcome.exStyle},
            {"action", taken ? ActionName(action.kind) : std::string("none")},
            {"result", outcome.result}});
    return outcome.result;
}

} // namespace

void ResetDialogs() {
    screenshotHook = nullptr;
}

} // namespace emu::wm

using emu::wm::Find;

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
    if (hWndParent != nullptr && Find(hWndParent) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const emu::DialogTemplate* tpl = emu::FindDialogTemplate(hInstance, lpTemplateName);
    if (tpl == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    return emu::wm::RunDialogBox(hInstance, *tpl, emu::wm::TemplateName(lpTemplateName), hWndParent,
                                 lpDialogFunc, dwInitParam);
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    emu::wm::Window* dialog = Find(hDlg);
    if (dialog == nullptr ||
        (dialog->kind != emu::WindowKind::Dialog && dialog->kind != emu::WindowKind::MessageBox)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    dialog->dialog.ended = true;
    dialog->dialog.result = nResult;
    HWND owner = dialog->dialog.disabledOwner;
    dialog->dialog.disabledOwner = nullptr;
    // Hidden at once (without WM_SHOWWINDOW, as SetWindowPos hides), destroyed
    // by the modal loop when it regains control; the owner is enabled and
    // activated again.
    if ((dialog->style & WS_VISIBLE) != 0) {
        dialog->style &= ~static_cast<DWORD>(WS_VISIBLE);
        emu::wm::Expose(hDlg, emu::wm::ScreenRect(*dialog));
    }
    if (emu::wm::Window* o = Find(owner)) {
        o->style &= ~static_cast<DWORD>(WS_DISABLED);
    }
    if (Find(dialog->owner) != nullptr && emu::wm::IsSelfOrDescendant(hDlg, emu::wm::Focus())) {
        emu::wm::SetFocusTo(dialog->owner);
    }
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    const emu::wm::Window* dialog = Find(hDlg);
    if (dialog == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (HWND child : dialog->children) {
        const emu::wm::Window* c = Find(child);
        if (c != nullptr && c->id == nIDDlgItem) {
            return child;
        }
    }
    SetLastError(emu::ErrorControlIdNotFound);
    return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
    const emu::wm::Window* window = Find(hWnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return (window->style & WS_CHILD) != 0 ? window->id : 0;
}

namespace emu {

INT_PTR DialogBoxFromTemplate(HINSTANCE instance, const DialogTemplate& tpl,
                              const std::string& name, HWND owner, DLGPROC proc, LPARAM param) {
    if (owner != nullptr && wm::Find(owner) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return wm::RunDialogBox(instance, tpl, name, owner, proc, param);
}

std::function<void(const std::string& what)>& ScreenshotHook() {
    return wm::screenshotHook;
}

} // namespace emu
