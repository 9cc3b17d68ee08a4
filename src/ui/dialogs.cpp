#include "ui/dialogs.h"

#include "context/context.h"
#include "ui/resource.h"
#include "ui/texts.h"

#include <cstdint>

namespace {

struct ItemText {
    UINT baseId;
    int itemId;
};

// Read from top to bottom the help lines show texts 112 to 125 in order;
// the four example lines do not have their identifiers in that order.
constexpr ItemText ParamHelpItems[] = {
    {IDS_PARAM_HELP_1, IDC_PARAM_HELP_1},       {IDS_PARAM_HELP_2, IDC_PARAM_HELP_2},
    {IDS_PARAM_HELP_3, IDC_PARAM_HELP_3},       {IDS_PARAM_HELP_4, IDC_PARAM_HELP_4},
    {IDS_PARAM_HELP_5, IDC_PARAM_HELP_5},       {IDS_PARAM_HELP_6, IDC_PARAM_HELP_6},
    {IDS_PARAM_HELP_7, IDC_PARAM_HELP_7},       {IDS_PARAM_HELP_8, IDC_PARAM_HELP_8},
    {IDS_PARAM_HELP_9, IDC_PARAM_HELP_9},       {IDS_PARAM_HELP_10, IDC_PARAM_HELP_10},
    {IDS_PARAM_EXAMPLE_1, IDC_PARAM_EXAMPLE_1}, {IDS_PARAM_EXAMPLE_2, IDC_PARAM_EXAMPLE_2},
    {IDS_PARAM_EXAMPLE_3, IDC_PARAM_EXAMPLE_3}, {IDS_PARAM_EXAMPLE_4, IDC_PARAM_EXAMPLE_4},
};

void SetLocalizedCaption(HWND dialog, UINT baseId) {
    LoadLocalizedString(Context.InstanceHandle, baseId, Context.TextBuffer, TextLoadLimit);
    SetWindowTextA(dialog, Context.TextBuffer);
}

// Only a plain command of OK or Cancel ends the dialog (the button click, or
// Enter, Esc and the close box as the dialog manager turns them into
// commands); every command counts as handled.
INT_PTR HandleCommand(HWND dialog, WPARAM wParam) {
    const WORD id = LOWORD(wParam);
    const WORD notification = HIWORD(wParam);
    if ((id == IDOK || id == IDCANCEL) && notification == 0) {
        EndDialog(dialog, static_cast<INT_PTR>(id));
    }
    return TRUE;
}

} // namespace

INT_PTR CALLBACK CalibTestProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetLocalizedCaption(dialog, IDS_TEST_CAPTION);
        SetLocalizedItemText(dialog, IDS_TEST_TOUCH_AREAS, IDC_TEST_TOUCH_AREAS);
        SetLocalizedItemText(dialog, IDS_TEST_CURSOR_QUESTION, IDC_TEST_CURSOR_QUESTION);
        SetLocalizedItemText(dialog, IDS_YES, IDOK);
        SetLocalizedItemText(dialog, IDS_NO, IDCANCEL);
        CenterDialog(Context.CalibrationWindow, dialog);
        return TRUE; // the default button ("Yes") gets the focus
    case WM_COMMAND: return HandleCommand(dialog, wParam);
    default: return FALSE;
    }
}

INT_PTR CALLBACK ParamErrorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetLocalizedCaption(dialog, IDS_PARAM_ERROR_CAPTION);
        SetWindowTextA(GetDlgItem(dialog, IDC_PARAM_ERROR_MESSAGE), Context.ParamErrorMessage);
        for (const ItemText& item : ParamHelpItems) {
            SetLocalizedItemText(dialog, item.baseId, item.itemId);
        }
        return TRUE;
    case WM_COMMAND: return HandleCommand(dialog, wParam);
    default: return FALSE;
    }
}

void CenterDialog(HWND reference, HWND dialog) {
    // A window that is gone leaves its rectangle empty rather than undefined.
    RECT outer{};
    RECT inner{};
    GetWindowRect(reference, &outer);
    GetWindowRect(dialog, &inner);
    // Sizes and differences in 64 bits: a calibration window placed by a
    // hostile range can span the whole 32-bit range, and only the result is
    // meant to be cut.
    const std::int64_t width = std::int64_t{inner.right} - inner.left;
    const std::int64_t height = std::int64_t{inner.bottom} - inner.top;

    // The position is kept in signed 16-bit numbers throughout.
    auto x = static_cast<std::int16_t>(outer.left +
                                       ((std::int64_t{outer.right} - outer.left) - width) / 2);
    auto y = static_cast<std::int16_t>(outer.top +
                                       ((std::int64_t{outer.bottom} - outer.top) - height) / 2);
    if (x < 0) {
        x = 0;
    }
    if (y < 0) {
        y = 0;
    }
    const auto desktopWidth = static_cast<std::int16_t>(GetSystemMetrics(SM_CXSCREEN));
    const auto desktopHeight = static_cast<std::int16_t>(GetSystemMetrics(SM_CYSCREEN));
    // After the clamp at 0, so a dialog larger than the desktop ends up at a
    // negative position, its right or bottom edge on the desktop's.
    if (x + width > desktopWidth) {
        x = static_cast<std::int16_t>(desktopWidth - width);
    }
    if (y + height > desktopHeight) {
        y = static_cast<std::int16_t>(desktopHeight - height);
    }
    SetWindowPos(dialog, HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}
