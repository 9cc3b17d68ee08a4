// The loader's side of the emulated desktop: the program's own module and the
// system DLLs whose functions the program looks up at run time. Win32s lacks
// the two that came with Windows 95 and Windows NT 4.0. Device I/O is there on
// every platform, Win32s included, so that a whole run can be followed there,
// unless the machine is configured without it.
#include <windows.h>

#include "emu/machine.h"
#include "kernel32/codepage.h"

#include <string>

namespace {

const auto User32Module = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x7E410000));
const auto Kernel32Module = reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(0x7C800000));

template <typename Function> FARPROC Exported(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

} // namespace

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    if (lpModuleName == nullptr) {
        return emu::ProgramInstance();
    }
    const std::string name = emu::Upper(lpModuleName);
    if (name == "USER32" || name == "USER32.DLL") {
        return User32Module;
    }
    if (name == "KERNEL32" || name == "KERNEL32.DLL") {
        return Kernel32Module;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (hModule == Kernel32Module && lpProcName != nullptr && !IS_INTRESOURCE(lpProcName) &&
        std::string(lpProcName) == "DeviceIoControl" && emu::Machine().deviceIoControl) {
        return Exported(&DeviceIoControl);
    }
    const bool win32s = emu::Machine().platform == emu::Platform::Win32s;
    if (hModule == User32Module && lpProcName != nullptr && !IS_INTRESOURCE(lpProcName) &&
        !win32s) {
        const std::string name = lpProcName;
        if (name == "RegisterClassExA") {
            return Exported(&RegisterClassExA);
        }
        if (name == "DrawEdge") {
            return Exported(&DrawEdge);
        }
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}
