#include "context/platform.h"

#include "context/context.h"

namespace {
constexpr DWORD NotWindowsNTBit = 0x80000000UL;
constexpr BYTE Win32sMajorVersion = 3;
constexpr std::uint32_t WindowsNTMaxCoordinate = 0x7FFF;
constexpr std::uint32_t Windows9xMaxCoordinate = 0xFFFF;
} // namespace

void DetectPlatform() {
    DWORD version = GetVersion();
    if ((version & NotWindowsNTBit) == 0) {
        Context.PlatformKind = PlatformWindowsNT;
        Context.MaxCoordinate = WindowsNTMaxCoordinate;
    } else if (LOBYTE(version) == Win32sMajorVersion) {
        // Win32s keeps MaxCoordinate as it is (0 at start), so FullScale is 1.
        Context.PlatformKind = PlatformWin32s;
    } else {
        Context.PlatformKind = PlatformWindows9x;
        Context.MaxCoordinate = Windows9xMaxCoordinate;
    }
    Context.FullScale = Context.MaxCoordinate + 1;
}

FARPROC FindSystemFunction(const char* module, const char* name) {
    HMODULE system = GetModuleHandleA(module);
    return system == nullptr ? nullptr : GetProcAddress(system, name);
}
