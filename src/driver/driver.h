// The touchscreen driver's device and its seven control requests. Every
// request copies the current RequestHeader into the front of its buffer just
// before it is sent.
#pragma once

#include <windows.h>

#include <cstdint>

#include "driver/driver_records.h"

constexpr const char* DriverDevicePath = "\\\\.\\DRAVIX";

// CTL_CODE(0x9C40, function, METHOD_BUFFERED, FILE_ANY_ACCESS)
constexpr DWORD DriverControlCode(DWORD function) {
    return (0x9C40UL << 16) | (function << 2);
}
constexpr DWORD SetCalibrationCode = DriverControlCode(0x901);
constexpr DWORD DisablePointQueueingCode = DriverControlCode(0x902);
constexpr DWORD EnablePointQueueingCode = DriverControlCode(0x903);
constexpr DWORD GetRawTouchCode = DriverControlCode(0x904);
constexpr DWORD SetBeepCode = DriverControlCode(0x907);
constexpr DWORD GetDriverInfoCode = DriverControlCode(0x90A);
constexpr DWORD BeginTouchWaitCode = DriverControlCode(0x90B);
static_assert(SetCalibrationCode == 0x9C402404);
static_assert(BeginTouchWaitCode == 0x9C40242C);

// Opens the device into DeviceHandle; INVALID_HANDLE_VALUE when it cannot.
// Every request after it goes through the DeviceIoControl it found.
HANDLE OpenDriverDevice();
BOOL CloseDriverDevice();

// The driver's InterfaceVersion as it stands in the buffer after the request.
std::uint16_t GetDriverInfo();
BOOL DisablePointQueueing();
BOOL EnablePointQueueing();
BOOL BeginTouchWait();
// One poll. The reply is cleared before the request, so a poll the driver
// leaves unanswered reads as no touch.
BOOL GetRawTouch(RawTouchReply& reply);
// Sends Context.Calibration; the driver's reply replaces it in place.
BOOL SetCalibration();
// Switches the driver's beep on (1) or off (0) with the BeepRecord's values.
BOOL SendBeepControl(std::uint16_t flag);
