// What a test or a scenario makes go wrong on the emulated machine: every
// failure that can be injected into a Win32 call, in one place. emu::Reset()
// clears them all. The driver's failures are part of its configuration
// (emu::DriverConfig in emu/device.h), as a driver's answers are.
#pragma once

#include <windows.h>

#include <optional>
#include <set>
#include <string>

namespace emu {

// --- user32 -----------------------------------------------------------------------

// While set, SetTimer fails (returns 0) as when the system is out of timers.
void FailSetTimer(bool fail);
// While set, RegisterClassExA returns 0 with this error. With
// ERROR_CLASS_ALREADY_EXISTS the class is there all the same, as if it had
// been registered before.
void FailRegisterClass(std::optional<DWORD> error);
// The CreateWindowExA calls with these numbers (1 is the first after a reset)
// fail before the window exists: no message, NULL, ERROR_NOT_ENOUGH_MEMORY,
// and a "window" event with op "create failed".
void FailCreateWindow(std::set<int> calls);

// --- gdi32 ------------------------------------------------------------------------

// The next `calls` calls of CreateCompatibleDC / CreateCompatibleBitmap fail
// (return NULL), as they do when GDI runs out of resources.
void FailCreateCompatibleDC(int calls = 1);
void FailCreateCompatibleBitmap(int calls = 1);

// --- advapi32 ---------------------------------------------------------------------

// RegSetValueExA of a value with this name (in any key) fails with the status
// and leaves the value as it was; the call is traced all the same.
void FailWrites(const std::string& valueName, LSTATUS status);
void ClearFailingWrites();

} // namespace emu
