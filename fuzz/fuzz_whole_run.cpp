// A whole run on the emulated desktop with a machine made of fuzzed bytes:
// registry contents of any type and size, a misbehaving driver, odd
// touchscreens, a user who does anything, any command line. Whatever happens,
// the run must leave nothing open behind it and must store nothing but the
// thirteen calibration values of a screen, as the driver last answered them,
// in that screen's own key.
//
// VINTOQ_FUZZ_PRINT=1 prints each decoded scenario and command line, ready to
// paste into a regression test.
#include "scenario_decoder.h"

#include "context/command_line.h"

#include "emu/device.h"
#include "emu/faults.h"
#include "emu/gdi.h"
#include "emu/machine.h"
#include "emu/registry.h"
#include "emu/scenario.h"
#include "emu/trace.h"
#include "emu/window_manager.h"
#include "program.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <strings.h>
#include <vector>

namespace {

using nlohmann::json;

// Offset of each saved value's 16-bit field in the CalibrationRecord.
const std::map<std::string, std::size_t> SavedFieldOffsets = {
    {"XLow", 8},       {"XHigh", 10},      {"YLow", 12},      {"YHigh", 14},
    {"ZLow", 16},      {"ZHigh", 18},      {"SwapXY", 20},    {"XlateXHigh", 22},
    {"XlateXLow", 24}, {"XlateYHigh", 26}, {"XlateYLow", 28}, {"XlateZHigh", 30},
    {"XlateZLow", 32}};

const fuzz::DecodedRun* current = nullptr;

[[noreturn]] void Fault(const std::string& what) {
    std::fprintf(stderr, "FAULT: %s\n", what.c_str());
    if (current != nullptr) {
        std::fprintf(stderr, "command line: %s\nscenario: %s\n", current->commandLine.c_str(),
                     current->machine.dump(2).c_str());
    }
    std::abort();
}

void Check(bool holds, const std::string& what) {
    if (!holds) {
        Fault(what);
    }
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::uint16_t Word(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

// The screen whose key a path names, when it is a screen key of the
// platform's form within the range table.
std::optional<int> ScreenOfKey(const std::string& path, bool windowsNT) {
    for (int screen = 0; screen < 16; ++screen) {
        if (strcasecmp(path.c_str(), fuzz::ScreenKey(screen, windowsNT).c_str()) == 0) {
            return screen;
        }
    }
    return std::nullopt;
}

// Every device opened is closed; a driver whose close fails keeps its handle,
// but the program must have tried.
void CheckDeviceClosed(bool closeFails) {
    int opened = 0;
    int closed = 0;
    for (const json& event : emu::TraceEvents()) {
        const std::string kind = event.value("ev", "");
        opened += kind == "open" && event.value("ok", false) ? 1 : 0;
        closed += kind == "close" ? 1 : 0;
    }
    Check(opened <= 1, "the device was opened more than once");
    Check(closed == opened, "device opened and closed a different number of times");
    Check(emu::OpenDeviceHandles() == (closeFails ? opened : 0), "device handle left open");
}

void CheckNothingLeftOpen() {
    Check(emu::OpenKeyHandles() == 0, "registry key left open");
    Check(emu::LiveWindowCount() == 0, "window left alive");
    Check(emu::LiveGdiObjects() == 0, "GDI object leaked: " + emu::DescribeLiveGdi());
    Check(emu::LiveDCs() == 0, "device context leaked: " + emu::DescribeLiveGdi());
    Check(emu::CursorDisplayCount() == 0, "cursor display count not back at 0");
}

// Each stored value is a REG_DWORD of one of the thirteen names, in the key of
// the screen that the last SetCalibration carried, with the value of that
// request's reply.
void CheckRegistryWrites(bool windowsNT) {
    std::optional<json> lastSet;
    int calibrationWindows = 0;
    for (const json& event : emu::TraceEvents()) {
        const std::string kind = event.value("ev", "");
        if (kind == "ioctl" && event.value("name", "") == "SetCalibration") {
            lastSet = event;
        } else if (kind == "window" && event.value("class", "") == "Calibrate" &&
                   event.value("op", "") == "create") {
            ++calibrationWindows;
        } else if (kind == "error") {
            Check(event.value("what", "").find("modal loop") == std::string::npos,
                  "a modal loop never ended: " + event.dump());
        } else if (kind == "regset") {
            const std::string name = event.value("name", "");
            auto field = SavedFieldOffsets.find(name);
            Check(field != SavedFieldOffsets.end(),
                  "wrote a value that is no calibration value: " + name);
            Check(event.value("type", 0) == REG_DWORD,
                  "wrote a value that is no REG_DWORD: " + name);
            const std::string key = event.value("key", "");
            std::optional<int> screen = ScreenOfKey(key, windowsNT);
            Check(screen.has_value() && emu::KeyExists(key), "wrote outside a screen key: " + key);
            Check(lastSet.has_value() && lastSet->value("ok", false),
                  "saved without a SetCalibration that succeeded");
            std::vector<std::uint8_t> in = FromHex(lastSet->value("in", ""));
            std::vector<std::uint8_t> out = FromHex(lastSet->value("out", ""));
            Check(in.size() == 34 && out.size() == 34, "SetCalibration is not 34 bytes");
            Check(Word(in, 6) == *screen, "saved into the key of another screen: " + key);
            Check(event.at("data").is_number() &&
                      event.at("data").get<std::uint32_t>() == Word(out, field->second),
                  "saved " + name + " differs from the driver's reply");
        }
    }
    Check(calibrationWindows <= 16, "more calibration windows than range table entries");
}

// The ParamError dialog has no time-out and no No button: a user who waits
// for it to go away, or clicks No, waits for ever (the emulator ends such a
// loop after an hour of virtual time, an hour spent polling). With a command
// line that will be refused, the user does neither.
void NoWaitingForParamError(fuzz::DecodedRun& run) {
    std::vector<char> text(run.commandLine.begin(), run.commandLine.end());
    text.push_back('\0');
    int failPosition = 0;
    if (ParseCommandLine(text.data(), &failPosition) == 1) {
        return;
    }
    json user = json::array();
    for (const json& action : run.machine["user"]) {
        if (action != "timeout" && action != "no") {
            user.push_back(action);
        }
    }
    run.machine["user"] = user;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    emu::Reset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::DecodedRun run = fuzz::DecodeRun(data, size);
    NoWaitingForParamError(run);
    current = &run;
    if (std::getenv("VINTOQ_FUZZ_PRINT") != nullptr) {
        std::fprintf(stderr, "command line: %s\nscenario: %s\n", run.commandLine.c_str(),
                     run.machine.dump(2).c_str());
    }
    emu::Reset();
    std::string error = emu::ApplyScenario(run.machine, ".");
    Check(error.empty(), "the decoder made a scenario the emulator refuses: " + error);
    const json harness = run.machine.value("harness", json::object());
    emu::FailCreateCompatibleDC(harness.value("fail_compatible_dc", 0));
    emu::FailCreateCompatibleBitmap(harness.value("fail_compatible_bitmap", 0));
    int code = sim::RunProgram(run.commandLine);
    Check(code == 0 || code == 1, "exit code neither 0 nor 1");
    CheckNothingLeftOpen();
    CheckDeviceClosed(run.machine["driver"].value("close_fails", false));
    CheckRegistryWrites(run.windowsNT);
    current = nullptr;
    // What the run allocated is freed within the run: libFuzzer takes more
    // mallocs than frees for a possible leak and runs the input again.
    emu::Reset();
    return 0;
}
