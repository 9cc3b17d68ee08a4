#include "ui/texts.h"

#include "context/context.h"

namespace {
// A language without string tables ("CplLanguage" or -L outside 0 to 6) reads
// the English texts rather than empty dialogs and message boxes.
UINT TableLanguage() {
    std::int32_t language = Context.LanguageIndex;
    return language >= 0 && language < LanguageCount ? static_cast<UINT>(language) : 0;
}
} // namespace

char* LoadLocalizedString(HINSTANCE instance, UINT baseId, char* buffer, int capacity) {
    if (capacity > 0) {
        buffer[0] = '\0';
    }
    LoadStringA(instance, baseId + IDS_LANGUAGE_STEP * TableLanguage(), buffer, capacity);
    return buffer;
}

void SetLocalizedItemText(HWND dialog, UINT baseId, int itemId) {
    LoadLocalizedString(Context.InstanceHandle, baseId, Context.TextBuffer, TextLoadLimit);
    SetWindowTextA(GetDlgItem(dialog, itemId), Context.TextBuffer);
}

void ShowLocalizedWarning(UINT baseId) {
    LoadLocalizedString(Context.InstanceHandle, baseId, Context.TextBuffer, TextLoadLimit);
    MessageBoxA(nullptr, Context.TextBuffer, "", MB_ICONWARNING);
}
