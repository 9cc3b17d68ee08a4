// The emulated machine as a whole: its configuration and a reset to a fresh
// boot, so that every test and every launcher run starts from the same state.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace emu {

enum class Platform { WindowsNT, Windows9x, Win32s };

struct MachineConfig {
    Platform platform = Platform::WindowsNT;
    int desktopWidth = 1024;
    int desktopHeight = 768;
    // The name the C runtime would give for the user's default locale, as on
    // Windows ("English_United States.1252").
    std::string localeName = "English_United States.1252";
    // What GetVersion returns, when it is not the platform's usual value.
    std::optional<DWORD> version;
    // Whether KERNEL32 exports DeviceIoControl. The emulated Win32s keeps it,
    // so that its runs reach the driver; a test takes it away to see a system
    // without device I/O, as the Win32 reference describes Win32s.
    bool deviceIoControl = true;
};

// Everything back to a freshly booted machine: empty registry, no windows,
// driver present with default answers, clock at its start value, empty trace.
void Reset();

MachineConfig& Machine();

// The instance handle under which the program's compiled resources are found.
HINSTANCE ProgramInstance();

// The value GetVersion returns for a platform.
DWORD VersionFor(Platform platform);

} // namespace emu
