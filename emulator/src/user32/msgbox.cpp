// Message boxes: a dialog made up on the spot (icon, text, buttons), run by
// the same modal loop as dialog boxes, so that the queued messages of every
// window, timers among them, are dispatched while it is open. The virtual
// user reads it and presses its first button.
#include <windows.h>

#include "emu/resources.h"
#include "emu/trace.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"
#include "user32/win.h"
#include "sdk.h"

#include <algorithm>
#include <vector>

namespace {

constexpr UINT ButtonsMask = 0x0000000F;
constexpr UINT IconMask = 0x000000F0;
constexpr int IdAbort = 3, IdRetry = 4, IdIgnore = 5;
constexpr int IconId = 20;     // the icon's static control in a message box
constexpr int TextId = 0xFFFF; // the text's static control

// The box's template, in dialog units: the text is wrapped to the width of
// its control (176 units), and everything is then placed in pixels around
// it once the text is measured.
constexpr short TextLeft = 32, TextTop = 4, TextWidth = 176, TextHeight = 48;
constexpr short IconLeft = 8, IconTop = 20;
constexpr int IconSize = 32; // SM_CXICON: the control takes its icon's size
constexpr int Spacing = 8;   // above and below the text and icon, and below the buttons

struct Button {
    int id;
    const char* text;
};

std::vector<Button> ButtonsOf(UINT type) {
    switch (type & ButtonsMask) {
    case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case emu::AbortRetryIgnore:
        return {{IdAbort, "&Abort"}, {IdRetry, "&Retry"}, {IdIgnore, "&Ignore"}};
    case emu::YesNoCancel: return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO: return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case emu::RetryCancel: return {{IdRetry, "&Retry"}, {IDCANCEL, "Cancel"}};
    default: return {{IDOK, "OK"}};
    }
}

// The system icon that goes with the icon bits of the type (MB_ICONHAND is
// IDI_HAND, and so on), or none.
HICON IconOf(UINT type) {
    UINT icon = (type & IconMask) >> 4;
    if (icon == 0 || icon > 4) {
        return nullptr;
    }
    return LoadIconA(nullptr, MAKEINTRESOURCEA(emu::SystemIconFirst + icon));
}

emu::DialogTemplate Template(const std::string& text, const std::string& caption, UINT type) {
    emu::DialogTemplate tpl;
    tpl.style =
        WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | emu::NoIdleMessage;
    tpl.cx = TextLeft + TextWidth + IconLeft;
    tpl.cy = TextTop + TextHeight + 2 * Spacing;
    tpl.caption = caption;
    if ((type & IconMask) != 0) {
        tpl.items.push_back(
            {WS_VISIBLE | emu::StaticIcon, 0, IconLeft, IconTop, 16, 16, IconId, "STATIC", ""});
    }
    tpl.items.push_back({WS_VISIBLE | WS_GROUP | SS_LEFT | emu::StaticNoPrefix, 0, TextLeft,
                         TextTop, TextWidth, TextHeight, TextId, "STATIC", text});
    std::vector<Button> buttons = ButtonsOf(type);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        DWORD style = WS_VISIBLE | WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON | WS_GROUP : 0);
        tpl.items.push_back({style, 0, 0, 0, 40, 14, buttons[i].id, "BUTTON", buttons[i].text});
    }
    return tpl;
}

SIZE TextSize(HDC dc, const std::string& text, LONG width, UINT format) {
    RECT r{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &r, format | DT_CALCRECT);
    return {r.right - r.left, r.bottom - r.top};
}

void Place(HWND control, int x, int y, int width, int height) {
    SetWindowPos(control, HWND_TOP, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Windows' layout of a message box, in pixels: the text wrapped at its
// control's width, the icon to its left, both centred in a band 16 pixels
// taller than the higher of them; below it the buttons, twice as high as
// their text and twice as wide as the widest of them (at least twice their
// height), a third of a button apart, centred; the box centred on the desktop.
void LayOut(HWND box, UINT type) {
    RECT window{}, client{};
    GetWindowRect(box, &window);
    GetClientRect(box, &client);
    const int borderWidth = (window.right - window.left) - client.right;
    const int borderHeight = (window.bottom - window.top) - client.bottom;

    HWND icon = GetDlgItem(box, IconId);
    const int iconLeft = emu::wm::DluToPixelsX(IconLeft);
    const int iconSize = icon != nullptr ? IconSize : 0;

    HDC dc = GetDC(box);
    std::vector<Button> buttons = ButtonsOf(type);
    int buttonWidth = 1, buttonHeight = 1;
    for (const Button& button : buttons) {
        SIZE size = TextSize(dc, button.text, 0, DT_LEFT | DT_SINGLELINE);
        buttonWidth = std::max<int>(buttonWidth, size.cx);
        buttonHeight = std::max<int>(buttonHeight, size.cy);
    }
    buttonWidth = 2 * std::max(buttonWidth, 2 * buttonHeight);
    buttonHeight *= 2;
    const int buttonSpace = buttonWidth / 3;
    const auto count = static_cast<int>(buttons.size());

    RECT textClient{};
    HWND text = GetDlgItem(box, TextId);
    GetClientRect(text, &textClient);
    std::string message(emu::wm::Find(text)->text);
    SIZE textSize =
        TextSize(dc, message, textClient.right, DT_LEFT | DT_WORDBREAK | emu::TextNoPrefix);
    ReleaseDC(box, dc);

    const int textLeft = iconSize != 0 ? 2 * iconLeft + iconSize : iconLeft;
    const int textWidth =
        std::max<int>((buttonWidth + buttonSpace) * count + buttonSpace - textLeft, textSize.cx);
    const int bandHeight = 2 * Spacing + std::max<int>(iconSize, textSize.cy);
    const int width = textLeft + textWidth + iconLeft + borderWidth;
    const int height = Spacing + bandHeight + buttonHeight + borderHeight;

    SetWindowPos(box, HWND_TOP, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (icon != nullptr) {
        Place(icon, iconLeft, (bandHeight - iconSize) / 2, iconSize, iconSize);
    }
    Place(text, textLeft, (bandHeight - textSize.cy) / 2, textWidth, textSize.cy);
    int x = (width - (buttonWidth + buttonSpace) * count + buttonSpace) / 2;
    for (const Button& button : buttons) {
        Place(GetDlgItem(box, button.id), x, bandHeight, buttonWidth, buttonHeight);
        x += buttonWidth + buttonSpace;
    }
}

INT_PTR CALLBACK MessageBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto type = static_cast<UINT>(lParam);
        if (HWND icon = GetDlgItem(hwnd, IconId)) {
            SendMessageA(icon, emu::StaticSetIcon, reinterpret_cast<WPARAM>(IconOf(type)), 0);
        }
        LayOut(hwnd, type);
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
    emu::DialogTemplate tpl = Template(text, caption, uType);
    HWND box = CreateDialogFromTemplate(nullptr, tpl, owner, MessageBoxProc,
                                        static_cast<LPARAM>(uType), emu::WindowKind::MessageBox);
    int result = 0;
    if (box != nullptr) {
        Find(box)->messageBoxType = uType;
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
