// The simulated touchscreen driver behind \\.\DRAVIX, and the kernel side of
// device I/O (CreateFileA, DeviceIoControl, CloseHandle).
#pragma once

#include <windows.h>

#include "emu/driver_codes.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace emu {

// "SetCalibration" for CodeSetCalibration and so on; "0x........" otherwise.
std::string DriverCodeName(std::uint32_t code);
std::optional<std::uint32_t> DriverCodeFromName(const std::string& name);

struct RawTouch {
    std::uint16_t x = 0;
    std::uint16_t y = 0;
    std::uint16_t flag = 1;
    // Polls answered with no touch before this one is reported.
    unsigned pollsBefore = 0;
    // Where on the desktop the finger was, when a touchscreen model made it.
    std::optional<POINT> at;
};

// One DeviceIoControl call as the driver saw it.
struct DriverRequest {
    std::uint32_t code = 0;
    std::vector<std::uint8_t> in;  // the input bytes as sent
    std::vector<std::uint8_t> out; // the output buffer after the call
    bool ok = false;
};

struct DriverConfig {
    bool present = true;
    // Word 0 of the GetDriverInfo reply; nullopt: the reply is not written.
    std::optional<std::uint16_t> version = 4;
    std::set<std::uint32_t> failing;   // requests that return FALSE
    std::set<std::uint32_t> unwritten; // requests whose reply buffer is left as it was
    // Replaces the reply bytes of a request (written from offset 0, as far as
    // the reply buffer reaches); for garbage and altered replies.
    std::map<std::uint32_t, std::vector<std::uint8_t>> replyOverride;
    bool closeFails = false;
    // Raw touches delivered by GetRawTouch, in order.
    std::deque<RawTouch> touches;
    // Asked when the queue is empty; the touchscreen model and the virtual
    // user answer through it. Called once per GetRawTouch poll.
    std::function<std::optional<RawTouch>()> touchSource;
    // Called when BeginTouchWait arrives, i.e. when the program starts to
    // wait for a touch.
    std::function<void()> onBeginTouchWait;
};

DriverConfig& Driver();
const std::vector<DriverRequest>& DriverLog();
// Requests of one kind, in order.
std::vector<DriverRequest> DriverRequestsOf(std::uint32_t code);
// Handles opened and not yet closed.
int OpenDeviceHandles();
void ResetDevice();

} // namespace emu
