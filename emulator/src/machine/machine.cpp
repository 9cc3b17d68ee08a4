#include "emu/machine.h"

#include "emu/clock.h"
#include "emu/device.h"
#include "emu/gdi.h"
#include "emu/registry.h"
#include "emu/touchscreen.h"
#include "emu/trace.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"

namespace emu {

namespace {
MachineConfig machine;
// Any non-null value serves: the emulated loader has one module.
const auto programInstance = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x400000));
} // namespace

void Reset() {
    ResetWindows();
    ResetGdi();
    ResetRegistry();
    ResetDevice();
    ResetTouchscreens();
    ResetUser();
    ResetClock();
    ResetTrace();
    machine = MachineConfig{};
    SetLastError(ERROR_SUCCESS);
}

MachineConfig& Machine() {
    return machine;
}

HINSTANCE ProgramInstance() {
    return programInstance;
}

// GetVersion: major version in the low byte, minor in the next, build number
// in the high word with bit 31 set on every platform but Windows NT.
DWORD VersionFor(Platform platform) {
    switch (platform) {
    case Platform::WindowsNT: return 0x05650004; // NT 4.0, build 1381
    case Platform::Windows9x: return 0xC0000A04; // Windows 98, 4.10
    case Platform::Win32s: return 0x80000A03;    // Win32s on Windows 3.1
    }
    return 0;
}

} // namespace emu
