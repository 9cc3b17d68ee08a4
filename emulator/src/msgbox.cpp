// Message boxes. (First cut: recorded and answered at once with OK.)
#include <windows.h>

#include "emu/resources.h"
#include "emu/trace.h"

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
    emu::Record({{"ev", "messagebox"},
                 {"owner", hWnd != nullptr},
                 {"text", emu::Utf8FromWindows1252(lpText ? lpText : "")},
                 {"caption", emu::Utf8FromWindows1252(lpCaption ? lpCaption : "Error")},
                 {"type", uType},
                 {"result", IDOK}});
    return IDOK;
}
