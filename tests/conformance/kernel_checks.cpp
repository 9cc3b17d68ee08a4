// Kernel services: version, tick count, last error, Sleep, and device I/O
// against the touchscreen driver's device (the test driver under Wine, the
// simulated one on the emulated desktop; both answer the same protocol).
#include "conformance.h"

// By path: the Windows build of this program has no emulator on its include path.
#include "../../emulator/include/emu/driver_codes.h"

#include <cstring>

namespace conformance {

namespace {

constexpr DWORD GetDriverInfoCode = emu::CodeGetDriverInfo;
constexpr DWORD UnknownDeviceCode = 0x9C402FFC; // same device type, function 0xBFF
constexpr DWORD DriverInfoSize = 56;

const char* HandleKind(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) {
        return "INVALID_HANDLE_VALUE";
    }
    return handle == nullptr ? "NULL" : "valid";
}

void CheckVersion() {
    DWORD version = GetVersion();
    // The low byte is the major version, the next the minor one; the high bit
    // is clear on the Windows NT family.
    Report("kernel.version.nt-family", "GetVersion()",
           Text("high-bit=%u major>=4=%d", version >> 31, (version & 0xFF) >= 4),
           "high-bit=0 major>=4=1");
}

void CheckTickCount() {
    DWORD before = GetTickCount();
    DWORD again = GetTickCount();
    Report("kernel.tickcount.monotonic", "GetTickCount() twice",
           Text("second-minus-first<100=%d", again - before < 100), "second-minus-first<100=1");
    DWORD start = GetTickCount();
    Sleep(50);
    DWORD elapsed = GetTickCount() - start;
    // The tick counter moves in steps of the system timer (10 to 16 ms).
    Report("kernel.sleep.advances-tickcount", "Sleep(50)",
           Text("elapsed-in-[34,1000)=%d", elapsed >= 34 && elapsed < 1000),
           "elapsed-in-[34,1000)=1");
}

void CheckLastError() {
    SetLastError(0x12345678);
    DWORD first = GetLastError();
    SetLastError(ERROR_SUCCESS);
    Report("kernel.lasterror.roundtrip", "SetLastError(0x12345678), GetLastError()",
           Text("0x%08X then %u", first, GetLastError()), "0x12345678 then 0");
}

void CheckMissingDevice() {
    SetLastError(Unset);
    HANDLE handle = CreateFileA("\\\\.\\VINTOQNOSUCHDEVICE", GENERIC_READ | GENERIC_WRITE, 0,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    // 2: ERROR_FILE_NOT_FOUND, what a device name nobody created gives.
    Report("kernel.createfile.missing-device", "CreateFileA(\"\\\\.\\VINTOQNOSUCHDEVICE\")",
           Text("handle=%s error=%u", HandleKind(handle), GetLastError()),
           "handle=INVALID_HANDLE_VALUE error=2");
}

void CheckDriverRequests(HANDLE device) {
    std::uint8_t buffer[DriverInfoSize] = {};
    DWORD returned = Unset;
    BOOL ok = DeviceIoControl(device, GetDriverInfoCode, buffer, sizeof buffer, buffer,
                              sizeof buffer, &returned, nullptr);
    // The reply fills the whole 56-byte buffer; word 0 is the driver's
    // version, 4 for both stand-ins.
    Report("kernel.deviceiocontrol.reply", "DeviceIoControl(GetDriverInfo, 56 in, 56 out)",
           Text("ok=%d returned=%u version=%u", ok, returned, buffer[0] | buffer[1] << 8),
           "ok=1 returned=56 version=4");

    SetLastError(Unset);
    ok = DeviceIoControl(device, UnknownDeviceCode, buffer, sizeof buffer, buffer, sizeof buffer,
                         &returned, nullptr);
    // The driver refuses a code it does not know with
    // STATUS_INVALID_DEVICE_REQUEST, which Win32 reports as
    // ERROR_INVALID_FUNCTION. What the count holds after a failure is not
    // documented.
    Report("kernel.deviceiocontrol.unknown-code", "DeviceIoControl(unknown code)",
           Text("ok=%d error=%u", ok, GetLastError()), "ok=0 error=1");
}

void CheckDevice() {
    SetLastError(Unset);
    HANDLE device = CreateFileA("\\\\.\\DRAVIX", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    Report("kernel.createfile.device", "CreateFileA(\"\\\\.\\DRAVIX\", OPEN_EXISTING)",
           Text("handle=%s", HandleKind(device)), "handle=valid");
    if (device == INVALID_HANDLE_VALUE) {
        return;
    }
    CheckDriverRequests(device);
    BOOL closed = CloseHandle(device);
    SetLastError(Unset);
    BOOL again = CloseHandle(device);
    // 6: ERROR_INVALID_HANDLE, for the handle the first call closed.
    Report("kernel.closehandle.twice", "CloseHandle(device) twice",
           Text("first=%d second=%d error=%u", closed, again, GetLastError()),
           "first=1 second=0 error=6");

    std::uint8_t buffer[DriverInfoSize] = {};
    DWORD returned = 0;
    SetLastError(Unset);
    BOOL ok = DeviceIoControl(device, GetDriverInfoCode, buffer, sizeof buffer, buffer,
                              sizeof buffer, &returned, nullptr);
    Report("kernel.deviceiocontrol.closed-handle", "DeviceIoControl(closed handle)",
           Text("ok=%d error=%u", ok, GetLastError()), "ok=0 error=6");
}

} // namespace

void RunKernelChecks() {
    CheckVersion();
    CheckTickCount();
    CheckLastError();
    CheckMissingDevice();
    CheckDevice();
}

} // namespace conformance
