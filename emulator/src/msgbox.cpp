// Message boxes: a dialog made up on the spot (icon, text, buttons), run by
// the same modal loop as dialog boxes, so that the queued messages of every
// window, timers among them, are dispatched while it is open. The virtual
// user reads it and presses its first button.
#include <windows.h>

#include "emu/resources.h"
#include "emu/trace.h"
#include "emu/window_manager.h"
#include "window_state.h"

#include <algorithm>
#include <vector>

namespace {

constexpr UINT ButtonsMask = 0x0000000F;
constexpr UINT IconMask = 0x000000F0;
constexpr UINT AbortRetryIgnore = 0x00000002; // MB_ABORTRETRYIGNORE
constexpr UINT YesNoCancel = 0x00000003;      // MB_YESNOCANCEL
constexpr UINT RetryCancel = 0x00000005;      // MB_RETRYCANCEL
constexpr int IdAbort = 3, IdRetry = 4, IdIgnore = 5;
constexpr int IconId = 20;     // the icon's static control in a message box
constexpr int TextId = 0xFFFF; // the text's static control

// Layout in dialog units (4 to an average character width, 8 to a line).
constexpr short Margin = 7;
constexpr short ButtonWidth = 50;
constexpr short ButtonHeight = 14;
constexpr short ButtonGap = 4;
constexpr short IconWidth = 22; // 32 pixels
constexpr short IconHeight = 20;

struct Button {
    int id;
    const char* text;
};

std::vector<Button> ButtonsOf(UINT type) {
    switch (type & ButtonsMask) {
    case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case AbortRetryIgnore: return {{IdAbort, "&Abort"}, {IdRetry, "&Retry"}, {IdIgnore, "&Ignore"}};
    case YesNoCancel: return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO: return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case RetryCancel: return {{IdRetry, "&Retry"}, {IDCANCEL, "Cancel"}};
    default: return {{IDOK, "OK"}};
    }
}

emu::DialogTemplate Layout(const std::string& text, const std::string& caption, UINT type) {
    std::size_t longest = 0;
    std::size_t lines = 1;
    std::size_t current = 0;
    for (char c : text) {
        if (c == '\n') {
            ++lines;
            current = 0;
        } else if (c != '\r') {
            longest = std::max(longest, ++current);
        }
    }
    bool icon = (type & IconMask) != 0;
    auto textWidth = static_cast<short>(std::min<std::size_t>(longest * 4, 600));
    auto textHeight = static_cast<short>(std::min<std::size_t>(lines * 8, 400));
    std::vector<Button> buttons = ButtonsOf(type);
    auto count = static_cast<short>(buttons.size());
    short buttonsWidth = static_cast<short>(count * ButtonWidth + (count - 1) * ButtonGap);
    short textLeft = icon ? static_cast<short>(Margin + IconWidth + Margin) : Margin;
    short width =
        static_cast<short>(std::max<int>(textLeft + textWidth, Margin + buttonsWidth) + Margin);
    short contentHeight = std::max(textHeight, icon ? IconHeight : short{0});
    short buttonTop = static_cast<short>(Margin + contentHeight + Margin);

    emu::DialogTemplate tpl;
    tpl.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    tpl.cx = width;
    tpl.cy = static_cast<short>(buttonTop + ButtonHeight + Margin);
    tpl.caption = caption;
    if (icon) {
        tpl.items.push_back({WS_VISIBLE | emu::wm::StaticIcon, 0, Margin, Margin, IconWidth,
                             IconHeight, IconId, "STATIC", ""});
    }
    tpl.items.push_back({WS_VISIBLE | WS_GROUP | SS_LEFT, 0, textLeft, Margin, textWidth,
                         textHeight, TextId, "STATIC", text});
    short x = static_cast<short>((width - buttonsWidth) / 2);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        DWORD style = WS_VISIBLE | WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        tpl.items.push_back({style, 0, x, buttonTop, ButtonWidth, ButtonHeight, buttons[i].id,
                             "BUTTON", buttons[i].text});
        x = static_cast<short>(x + ButtonWidth + ButtonGap);
    }
    return tpl;
}

INT_PTR CALLBACK MessageBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    int id = LOWORD(wParam);
    const emu::wm::Window* box = emu::wm::Find(hwnd);
    UINT type = box != nullptr ? box->messageBoxType : 0;
    bool hasButton = false;
    for (const Button& button : ButtonsOf(type)) {
        hasButton = hasButton || button.id == id;
    }
    if (hasButton) {
        EndDialog(hwnd, id);
    } else if (id == IDCANCEL && (type & ButtonsMask) == MB_OK) {
        // Esc or the close box of a box with only OK answers OK.
        EndDialog(hwnd, IDOK);
    }
    return TRUE;
}

} // namespace

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    using namespace emu::wm;
    if (hWnd != nullptr && Find(hWnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    HWND owner = hWnd;
    while (Find(owner) != nullptr && Find(owner)->parent != nullptr) {
        owner = Find(owner)->parent;
    }
    std::string text = lpText != nullptr ? lpText : "";
    std::string caption = lpCaption != nullptr ? lpCaption : "Error";
    emu::DialogTemplate tpl = Layout(text, caption, uType);
    HWND box = CreateDialogFromTemplate(nullptr, tpl, owner, MessageBoxProc, 0,
                                        emu::WindowKind::MessageBox);
    int result = 0;
    if (box != nullptr) {
        Window* window = Find(box);
        window->messageBoxType = uType;
        // Centred on the desktop.
        RECT r = ScreenRect(*window);
        int width = r.right - r.left;
        int height = r.bottom - r.top;
        SetWindowPos(box, HWND_TOP, std::max((GetSystemMetrics(SM_CXSCREEN) - width) / 2, 0),
                     std::max((GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (Window* o = Find(owner); o != nullptr && (o->style & WS_DISABLED) == 0) {
            o->style |= WS_DISABLED;
            window->dialog.disabledOwner = owner;
        }
        ModalUser user;
        user.what = "MessageBox";
        user.thinkTime = emu::MessageBoxThinkTime;
        user.act = [uType](HWND dialog) {
            int first = ButtonsOf(uType).front().id;
            SendMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(first),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, first)));
        };
        result = static_cast<int>(RunModalLoop(box, owner, user).result);
    }
    emu::Record({{"ev", "messagebox"},
                 {"owner", hWnd != nullptr},
                 {"text", emu::Utf8FromWindows1252(text)},
                 {"caption", emu::Utf8FromWindows1252(caption)},
                 {"type", uType},
                 {"result", result}});
    return result;
}
