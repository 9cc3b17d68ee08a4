// Window classes: the program's own, registered per instance, and the system
// classes of controls and dialogs that every instance finds.
#include <windows.h>

#include "emu/faults.h"
#include "emu/machine.h"
#include "kernel32/codepage.h"
#include "user32/win.h"

#include <optional>
#include <string>
#include <vector>

namespace emu::wm {

namespace {

constexpr ATOM FirstAtom = 0xC000;

std::vector<WindowClass> classes;
ATOM nextAtom = FirstAtom;
// A failure asked for by a test or a scenario.
std::optional<DWORD> registerClassError;

void RegisterSystemClasses() {
    // Their brushes are taken when a window is created, from GDI's stock objects.
    classes.push_back(
        {"BUTTON", nextAtom++, nullptr, CS_HREDRAW | CS_VREDRAW, ControlProc, nullptr});
    classes.push_back({"STATIC", nextAtom++, nullptr, 0, ControlProc, nullptr});
    classes.push_back({"EDIT", nextAtom++, nullptr, 0, ControlProc, nullptr});
    classes.push_back({"#32770", nextAtom++, nullptr, 0, DefDlgProc, nullptr});
}

ATOM AddWindowClass(const WNDCLASSEXA* lpwcx) {
    if (lpwcx == nullptr || lpwcx->cbSize != sizeof(WNDCLASSEXA) ||
        lpwcx->lpszClassName == nullptr || lpwcx->lpfnWndProc == nullptr ||
        IS_INTRESOURCE(lpwcx->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string name = Upper(lpwcx->lpszClassName);
    for (const auto& cls : classes) {
        if (cls.instance == lpwcx->hInstance && cls.name == name) {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
    }
    const std::optional<DWORD> failure = registerClassError;
    if (failure && *failure != ERROR_CLASS_ALREADY_EXISTS) {
        SetLastError(*failure);
        return 0;
    }
    ATOM atom = nextAtom++;
    classes.push_back(
        {name, atom, lpwcx->hInstance, lpwcx->style, lpwcx->lpfnWndProc, lpwcx->hbrBackground});
    if (failure) {
        // A class of that name was there before: windows of it can be made.
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    return atom;
}

} // namespace

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

ControlKind ControlKindOf(std::string_view className) {
    const std::string name = Upper(className);
    return name == "BUTTON"   ? ControlKind::Button
           : name == "STATIC" ? ControlKind::Static
           : name == "EDIT"   ? ControlKind::Edit
                              : ControlKind::None;
}

void ResetClasses() {
    classes.clear();
    nextAtom = FirstAtom;
    registerClassError.reset();
    RegisterSystemClasses();
}

} // namespace emu::wm

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* lpwcx) {
    // Win32s has no such function: a program that imports it does not load.
    if (emu::Machine().platform == emu::Platform::Win32s) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    return emu::wm::AddWindowClass(lpwcx);
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
    return emu::wm::AddWindowClass(&extended);
}

namespace emu {

void FailRegisterClass(std::optional<DWORD> error) {
    wm::registerClassError = error;
}

} // namespace emu
