// Kernel services that are not device I/O: version, tick count, last error.
#include <windows.h>

#include "emu/clock.h"
#include "emu/machine.h"

namespace {
DWORD lastError = ERROR_SUCCESS;
} // namespace

DWORD WINAPI GetVersion(void) {
    return emu::Machine().version.value_or(emu::VersionFor(emu::Machine().platform));
}

DWORD WINAPI GetTickCount(void) {
    emu::Advance(emu::TickCountCost);
    return emu::Now();
}

DWORD WINAPI GetLastError(void) {
    return lastError;
}

void WINAPI SetLastError(DWORD dwErrCode) {
    lastError = dwErrCode;
}

void WINAPI Sleep(DWORD dwMilliseconds) {
    emu::Advance(dwMilliseconds);
}
