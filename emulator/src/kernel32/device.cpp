// The simulated touchscreen driver and the handles that reach it.
#include "emu/device.h"

#include "emu/clock.h"
#include "emu/trace.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace emu {

namespace {

constexpr const char* DevicePath = "\\\\.\\DRAVIX";
constexpr std::uintptr_t FirstHandle = 0x1000;

DriverConfig config;
std::vector<DriverRequest> requests;
std::set<std::uintptr_t> openHandles;
std::uintptr_t nextHandle = FirstHandle;

struct CodeName {
    std::uint32_t code;
    const char* name;
};
constexpr CodeName CodeNames[] = {
    {CodeSetCalibration, "SetCalibration"},
    {CodeDisablePointQueueing, "DisablePointQueueing"},
    {CodeEnablePointQueueing, "EnablePointQueueing"},
    {CodeGetRawTouch, "GetRawTouch"},
    {CodeSetBeep, "SetBeep"},
    {CodeGetDriverInfo, "GetDriverInfo"},
    {CodeBeginTouchWait, "BeginTouchWait"},
};

bool IsKnownCode(std::uint32_t code) {
    return std::any_of(std::begin(CodeNames), std::end(CodeNames),
                       [code](const CodeName& entry) { return entry.code == code; });
}

void PutWord(std::vector<std::uint8_t>& reply, std::size_t offset, std::uint16_t value) {
    if (offset + 2 <= reply.size()) {
        reply[offset] = static_cast<std::uint8_t>(value & 0xFF);
        reply[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
}

std::optional<RawTouch> NextTouch() {
    if (!config.touches.empty()) {
        RawTouch& front = config.touches.front();
        if (front.pollsBefore > 0) {
            --front.pollsBefore;
            return std::nullopt;
        }
        RawTouch touch = front;
        config.touches.pop_front();
        return touch;
    }
    if (config.touchSource) {
        return config.touchSource();
    }
    return std::nullopt;
}

// The reply the driver writes for a request, starting from the input bytes
// (buffered I/O: the reply replaces the request in the system buffer).
std::vector<std::uint8_t> ReplyFor(std::uint32_t code, const std::vector<std::uint8_t>& in,
                                   std::size_t replySize) {
    std::vector<std::uint8_t> reply(replySize, 0);
    std::copy_n(in.begin(), std::min(in.size(), replySize), reply.begin());
    switch (code) {
    case CodeGetDriverInfo:
        std::fill(reply.begin() + static_cast<long>(std::min<std::size_t>(2, replySize)),
                  reply.end(), 0);
        PutWord(reply, 0, config.version.value_or(0));
        break;
    case CodeGetRawTouch: {
        std::optional<RawTouch> touch = NextTouch();
        PutWord(reply, 8, 0);
        PutWord(reply, 10, touch ? touch->flag : 0);
        PutWord(reply, 12, touch ? touch->x : 0);
        PutWord(reply, 14, touch ? touch->y : 0);
        PutWord(reply, 16, 0);
        if (touch) {
            Event event{{"ev", "touch"}, {"raw", {touch->x, touch->y}}, {"flag", touch->flag}};
            if (touch->at) {
                event["x"] = touch->at->x;
                event["y"] = touch->at->y;
            }
            Record(std::move(event));
        }
        break;
    }
    case CodeBeginTouchWait:
        if (config.onBeginTouchWait) {
            config.onBeginTouchWait();
        }
        break;
    default: break;
    }
    auto over = config.replyOverride.find(code);
    if (over != config.replyOverride.end()) {
        std::copy_n(over->second.begin(), std::min(over->second.size(), replySize), reply.begin());
    }
    return reply;
}

// Polls on which the driver hands over no touch (it answers "no touch",
// fails, or writes nothing back) are counted rather than traced one by one:
// a wait can take tens of thousands of them. The rule looks at the driver's
// side only, as the log of a real driver can: what a failed poll leaves in
// the caller's buffer is the caller's own. The counts go with the next
// traced request.
unsigned quietPolls = 0;
unsigned failedPolls = 0;

void TraceRequest(const DriverRequest& request, bool replied) {
    bool touchHandedOver =
        replied && request.out.size() >= 12 && (request.out[10] != 0 || request.out[11] != 0);
    if (request.code == CodeGetRawTouch && !touchHandedOver) {
        ++quietPolls;
        failedPolls += request.ok ? 0 : 1;
        return;
    }
    char code[16];
    std::snprintf(code, sizeof code, "%08X", request.code);
    Event event{{"ev", "ioctl"},
                {"name", DriverCodeName(request.code)},
                {"code", code},
                {"in", Hex(request.in.data(), request.in.size())},
                {"out", Hex(request.out.data(), request.out.size())},
                {"ok", request.ok}};
    if (request.code == CodeGetRawTouch) {
        event["polls"] = quietPolls + 1;
    } else if (quietPolls > 0) {
        event["quiet_polls"] = quietPolls;
    }
    if (failedPolls > 0) {
        event["failed_polls"] = failedPolls;
    }
    quietPolls = 0;
    failedPolls = 0;
    Record(std::move(event));
}

bool IsOpen(HANDLE handle) {
    return openHandles.count(reinterpret_cast<std::uintptr_t>(handle)) != 0;
}

} // namespace

std::string DriverCodeName(std::uint32_t code) {
    for (const CodeName& entry : CodeNames) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", code);
    return text;
}

std::optional<std::uint32_t> DriverCodeFromName(const std::string& name) {
    for (const CodeName& entry : CodeNames) {
        if (name == entry.name) {
            return entry.code;
        }
    }
    return std::nullopt;
}

DriverConfig& Driver() {
    return config;
}
const std::vector<DriverRequest>& DriverLog() {
    return requests;
}

std::vector<DriverRequest> DriverRequestsOf(std::uint32_t code) {
    std::vector<DriverRequest> found;
    std::copy_if(requests.begin(), requests.end(), std::back_inserter(found),
                 [code](const DriverRequest& request) { return request.code == code; });
    return found;
}

int OpenDeviceHandles() {
    return static_cast<int>(openHandles.size());
}

void ResetDevice() {
    config = DriverConfig{};
    requests.clear();
    openHandles.clear();
    quietPolls = 0;
    failedPolls = 0;
    nextHandle = FirstHandle;
}

} // namespace emu

using namespace emu;

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                          HANDLE) {
    if (lpFileName == nullptr || strcasecmp(lpFileName, DevicePath) != 0 || !config.present) {
        Record({{"ev", "open"}, {"path", lpFileName ? lpFileName : ""}, {"ok", false}});
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::uintptr_t handle = nextHandle;
    nextHandle += 4;
    openHandles.insert(handle);
    Record({{"ev", "open"}, {"path", lpFileName}, {"ok", true}});
    return reinterpret_cast<HANDLE>(handle);
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    bool ok = IsOpen(hObject) && !config.closeFails;
    Record({{"ev", "close"}, {"ok", ok}});
    if (!IsOpen(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (config.closeFails) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    openHandles.erase(reinterpret_cast<std::uintptr_t>(hObject));
    return TRUE;
}

BOOL WINAPI DeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer,
                            DWORD nInBufferSize, LPVOID lpOutBuffer, DWORD nOutBufferSize,
                            LPDWORD lpBytesReturned, LPOVERLAPPED) {
    Advance(DriverRequestCost);
    if (!IsOpen(hDevice)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DriverRequest request;
    request.code = dwIoControlCode;
    const auto* in = static_cast<const std::uint8_t*>(lpInBuffer);
    if (in != nullptr) {
        request.in.assign(in, in + nInBufferSize);
    }
    bool known = IsKnownCode(dwIoControlCode);
    request.ok = known && config.failing.count(dwIoControlCode) == 0;
    // An error status carries no reply back: the I/O manager copies nothing
    // into the caller's buffer for a request the driver failed.
    bool writes = known && request.ok && config.unwritten.count(dwIoControlCode) == 0 &&
                  !(dwIoControlCode == CodeGetDriverInfo && !config.version);
    std::vector<std::uint8_t> reply;
    if (known) {
        // The driver works on the request even when it then reports failure,
        // so a failing GetRawTouch still consumes the poll.
        reply = ReplyFor(dwIoControlCode, request.in, nOutBufferSize);
    }
    DWORD returned = 0;
    if (writes && lpOutBuffer != nullptr) {
        std::memcpy(lpOutBuffer, reply.data(), reply.size());
        returned = nOutBufferSize;
    }
    if (lpBytesReturned != nullptr) {
        *lpBytesReturned = returned;
    }
    const auto* out = static_cast<const std::uint8_t*>(lpOutBuffer);
    if (out != nullptr) {
        request.out.assign(out, out + nOutBufferSize);
    }
    TraceRequest(request, returned != 0);
    requests.push_back(std::move(request));
    if (!requests.back().ok) {
        SetLastError(known ? ERROR_GEN_FAILURE : ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    return TRUE;
}
