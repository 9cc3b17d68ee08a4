#include "driver/driver.h"

#include "context/context.h"
#include "context/platform.h"

#include <cstring>

namespace {

// Every request goes through here. The returned byte count is not used. Where
// the system has no device I/O (Win32s) the request fails like any other.
BOOL Control(DWORD code, void* input, DWORD inputSize, void* reply, DWORD replySize) {
    if (Context.DeviceControl == nullptr) {
        return FALSE;
    }
    DWORD returned = 0;
    return Context.DeviceControl(Context.DeviceHandle, code, input, inputSize, reply, replySize,
                                 &returned, nullptr);
}

// Buffered I/O with one buffer for request and reply: whatever the driver
// returns replaces the request in place.
template <typename Record> BOOL SendInPlace(DWORD code, Record& record) {
    return Control(code, &record, sizeof record, &record, sizeof record);
}

BOOL SendBareRequest(DWORD code) {
    RequestHeader request = Context.Header;
    return SendInPlace(code, request);
}

} // namespace

// DeviceIoControl is looked up here, once per run, rather than on every
// request: the touch wait polls the driver without pause.
HANDLE OpenDriverDevice() {
    Context.DeviceControl =
        SystemFunction<DeviceIoControlFunction>(Kernel32Name, "DeviceIoControl");
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
    Control(GetDriverInfoCode, buffer, sizeof buffer, buffer, sizeof buffer);
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
    return Control(GetRawTouchCode, &request, sizeof request, &reply, sizeof reply);
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
