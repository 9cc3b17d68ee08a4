#include "driver/driver.h"

#include "context/context.h"

#include <cstring>

namespace {

// Buffered I/O with one buffer for request and reply: whatever the driver
// returns replaces the request in place. The returned byte count is not used.
template <typename Record> BOOL SendInPlace(DWORD code, Record& record) {
    DWORD returned = 0;
    return DeviceIoControl(Context.DeviceHandle, code, &record, sizeof record, &record,
                           sizeof record, &returned, nullptr);
}

BOOL SendBareRequest(DWORD code) {
    RequestHeader request = Context.Header;
    return SendInPlace(code, request);
}

} // namespace

HANDLE OpenDriverDevice() {
    Context.DeviceHandle =
        CreateFileA(DriverDevicePath, 0, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return Context.DeviceHandle;
}

BOOL CloseDriverDevice() {
    return CloseHandle(Context.DeviceHandle);
}

std::uint16_t GetDriverInfo() {
    // Only the header is filled in; a driver that fails without writing a
    // reply leaves the header's own version in the first word.
    std::uint8_t buffer[sizeof(DriverInfoReply)] = {};
    std::memcpy(buffer, &Context.Header, sizeof(RequestHeader));
    DWORD returned = 0;
    DeviceIoControl(Context.DeviceHandle, GetDriverInfoCode, buffer, sizeof buffer, buffer,
                    sizeof buffer, &returned, nullptr);
    DriverInfoReply reply;
    std::memcpy(&reply, buffer, sizeof reply);
    return reply.InterfaceVersion;
}

BOOL DisablePointQueueing() {
    return SendBareRequest(DisablePointQueueingCode);
}
BOOL EnablePointQueueing() {
    return SendBareRequest(EnablePointQueueingCode);
}
BOOL BeginTouchWait() {
    return SendBareRequest(BeginTouchWaitCode);
}

BOOL GetRawTouch(RawTouchReply& reply) {
    RawTouchRequest request;
    request.Header = Context.Header;
    reply = RawTouchReply{Context.Header};
    DWORD returned = 0;
    return DeviceIoControl(Context.DeviceHandle, GetRawTouchCode, &request, sizeof request, &reply,
                           sizeof reply, &returned, nullptr);
}

BOOL SetCalibration() {
    Context.Calibration.Header = Context.Header;
    return SendInPlace(SetCalibrationCode, Context.Calibration);
}

BOOL SendBeepControl(std::uint16_t flag) {
    Context.Beep.BeepFlag = flag;
    Context.Beep.Header = Context.Header;
    return SendInPlace(SetBeepCode, Context.Beep);
}
