#include "scenario_decoder.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <string>
#include <vector>

namespace fuzz {

using nlohmann::json;

const char* const ServiceKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dravix";

std::string ScreenKey(int screen, bool windowsNT) {
    return std::string(ServiceKey) + "\\TouchScreen" + std::to_string(screen) +
           (windowsNT ? "\\Parameters" : "");
}

namespace {

constexpr const char* ClassKey =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\ZorvaTouchscreen";
constexpr const char* RangeNames[] = {"XlateXLow",  "XlateXHigh", "XlateYLow",
                                      "XlateYHigh", "XlateZLow",  "XlateZHigh"};
constexpr const char* SavedNames[] = {
    "SwapXY",    "XLow",       "XHigh",     "YLow",       "YHigh",     "ZLow",      "ZHigh",
    "XlateXLow", "XlateXHigh", "XlateYLow", "XlateYHigh", "XlateZLow", "XlateZHigh"};
constexpr const char* RequestNames[] = {
    "SetCalibration", "DisablePointQueueing", "EnablePointQueueing", "GetRawTouch",
    "SetBeep",        "GetDriverInfo",        "BeginTouchWait"};
constexpr std::uint32_t InterestingNumbers[] = {
    0,      1,      2,       3,     4,          5,          6,          7,         9,
    15,     16,     17,      20,    255,        1000,       0x3FFF,     0x4000,    0x7FFF,
    0x8000, 0xFFFF, 0x10000, 70000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
// Types a value may wrongly have, the right one among them.
constexpr std::uint32_t ValueTypes[] = {0, 1, 2, 3, 4, 5, 7, 11};
constexpr std::int32_t OptionNumbers[] = {0,  1,  2,   3,   6,  7,          15,
                                          16, 17, 600, 601, -1, 2147483647, -2147483647 - 1};
struct Desktop {
    int width, height;
};
// Small desktops keep the framebuffer, and so each run, cheap; the tiny ones
// give windows of 0, 1 and 7 pixels.
constexpr Desktop Desktops[] = {{1024, 768}, {640, 480}, {800, 600}, {1, 1}, {7, 7}, {64, 48}};
constexpr const char* Locales[] = {"English_United States.1252",
                                   "French_France.1252",
                                   "Dutch_Netherlands.1252",
                                   "Spanish_Spain.1252",
                                   "C",
                                   ""};
constexpr const char* Actions[] = {"touch", "esc",    "idle",  "yes",    "no",
                                   "enter", "escape", "close", "timeout"};

template <typename T, std::size_t N> const T& Choose(FuzzedDataProvider& p, const T (&table)[N]) {
    return table[p.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
}

// One chance in `in`.
bool Rarely(FuzzedDataProvider& p, unsigned in) {
    return p.ConsumeIntegralInRange<unsigned>(1, in) == 1;
}

std::string Hex8(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

std::string HexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char item[4];
        std::snprintf(item, sizeof item, "%02x", bytes[i]);
        text += (i == 0 ? "" : ",") + std::string(item);
    }
    return text;
}

// A value line of a .reg file, or nothing when the value is to be missing.
// Mostly a REG_DWORD, which is what the program expects; otherwise any type
// with up to 9 bytes, and now and then more than the 128 bytes that
// "NumberOfScreens" is read into.
std::string ValueLine(FuzzedDataProvider& p, const std::string& name, std::uint32_t usual) {
    std::string line = "\"" + name + "\"=";
    switch (p.ConsumeIntegralInRange(0, 7)) {
    case 0: return "";
    case 1: return line + "dword:" + Hex8(Choose(p, InterestingNumbers)) + "\r\n";
    case 2: return line + "dword:" + Hex8(p.ConsumeIntegral<std::uint32_t>()) + "\r\n";
    case 3: {
        std::uint32_t type =
            Rarely(p, 8) ? p.ConsumeIntegral<std::uint32_t>() : Choose(p, ValueTypes);
        std::size_t length = Rarely(p, 16) ? p.ConsumeIntegralInRange<std::size_t>(120, 136)
                                           : p.ConsumeIntegralInRange<std::size_t>(0, 9);
        std::vector<std::uint8_t> bytes = p.ConsumeBytes<std::uint8_t>(length);
        char typeText[12];
        std::snprintf(typeText, sizeof typeText, "%x", type);
        return line + "hex(" + typeText + "):" + HexBytes(bytes) + "\r\n";
    }
    default: return line + "dword:" + Hex8(usual) + "\r\n";
    }
}

std::string KeyLine(const std::string& path) {
    return "\r\n[" + path + "]\r\n";
}

std::string DecodeRegistry(FuzzedDataProvider& p, bool windowsNT, json& machine) {
    std::string text = "REGEDIT4\r\n";
    json readOnly = json::array();
    const std::uint32_t fullScale = windowsNT ? 0x7FFF : 0xFFFF;
    if (!Rarely(p, 16)) {
        int keys = Rarely(p, 12) ? p.ConsumeIntegralInRange(4, 17) : p.ConsumeIntegralInRange(0, 3);
        text += KeyLine(ServiceKey);
        text += ValueLine(p, "NumberOfScreens", static_cast<std::uint32_t>(keys));
        // Now and then the keys of the other platform's form.
        bool form = Rarely(p, 10) ? !windowsNT : windowsNT;
        for (int screen = 0; screen < keys; ++screen) {
            text += KeyLine(ScreenKey(screen, form));
            const std::uint32_t usual[] = {0, fullScale, 0, fullScale, 1, 255};
            for (std::size_t i = 0; i < 6; ++i) {
                text += ValueLine(p, RangeNames[i], usual[i]);
            }
            if (Rarely(p, 16)) {
                readOnly.push_back(ScreenKey(screen, form));
            }
        }
        if (Rarely(p, 16)) {
            readOnly.push_back(ServiceKey);
        }
    }
    if (p.ConsumeBool()) {
        text += KeyLine(ClassKey);
        text += ValueLine(p, "CplLanguage", 0);
        text += ValueLine(p, "BeepTime", 32);
        text += ValueLine(p, "BeepFreq", 1000);
        if (Rarely(p, 16)) {
            readOnly.push_back(ClassKey);
        }
    }
    if (!readOnly.empty()) {
        machine["read_only_keys"] = readOnly;
    }
    if (Rarely(p, 12)) {
        json failing = json::object();
        failing[Choose(p, SavedNames)] = p.ConsumeBool() ? 5 : 29; // access denied, write fault
        machine["failing_writes"] = failing;
    }
    return text;
}

json RequestSet(FuzzedDataProvider& p) {
    json names = json::array();
    if (Rarely(p, 6)) {
        auto mask = p.ConsumeIntegral<std::uint8_t>();
        for (unsigned i = 0; i < 7; ++i) {
            if ((mask >> i) & 1U) {
                names.push_back(RequestNames[i]);
            }
        }
    }
    return names;
}

json DecodeDriver(FuzzedDataProvider& p) {
    json driver = json::object();
    if (Rarely(p, 20)) {
        driver["present"] = false;
    }
    if (Rarely(p, 8)) {
        const json versions[] = {3, 5, 0, 0xFFFF, nullptr, p.ConsumeIntegral<std::uint16_t>()};
        driver["version"] = Choose(p, versions);
    }
    driver["fail"] = RequestSet(p);
    driver["unwritten"] = RequestSet(p);
    if (Rarely(p, 6)) {
        json replies = json::object();
        int count = p.ConsumeIntegralInRange(1, 2);
        for (int i = 0; i < count; ++i) {
            replies[Choose(p, RequestNames)] =
                p.ConsumeBytes<std::uint8_t>(p.ConsumeIntegralInRange<std::size_t>(0, 56));
        }
        driver["replies"] = replies;
    }
    if (Rarely(p, 20)) {
        driver["close_fails"] = true;
    }
    if (Rarely(p, 4)) {
        json touches = json::array();
        int count = p.ConsumeIntegralInRange(1, 4);
        for (int i = 0; i < count; ++i) {
            touches.push_back({p.ConsumeIntegral<std::uint16_t>(),
                               p.ConsumeIntegral<std::uint16_t>(),
                               Rarely(p, 4) ? p.ConsumeIntegral<std::uint16_t>() : 1});
        }
        driver["touches"] = touches;
    }
    return driver;
}

json DecodeScreens(FuzzedDataProvider& p) {
    json screens = json::array();
    int count = p.ConsumeIntegralInRange(1, 3);
    for (int i = 0; i < count; ++i) {
        json screen = json::object();
        screen["raw_x"] = {p.ConsumeIntegral<std::uint16_t>(), p.ConsumeIntegral<std::uint16_t>()};
        screen["raw_y"] = {p.ConsumeIntegral<std::uint16_t>(), p.ConsumeIntegral<std::uint16_t>()};
        screen["swap"] = p.ConsumeBool();
        screen["noise"] = p.ConsumeIntegralInRange(0, 3);
        screens.push_back(screen);
    }
    return screens;
}

json DecodeUser(FuzzedDataProvider& p) {
    json user = json::array();
    int count = p.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < count; ++i) {
        if (Rarely(p, 4)) {
            int range = Rarely(p, 4) ? 5000 : 40;
            user.push_back({{"touch",
                             {p.ConsumeIntegralInRange(-range, range),
                              p.ConsumeIntegralInRange(-range, range)}}});
        } else {
            user.push_back(Choose(p, Actions));
        }
    }
    return user;
}

std::string Number(FuzzedDataProvider& p) {
    return std::to_string(p.ConsumeBool() ? Choose(p, OptionNumbers)
                                          : p.ConsumeIntegralInRange(-3, 20));
}

// A few options, valid and invalid, then a short time-out, which overrides
// any earlier one: every wait of the run then ends within seconds of virtual
// time.
std::string DecodeCommandLine(FuzzedDataProvider& p) {
    std::string line;
    int options = p.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < options; ++i) {
        std::string option;
        switch (p.ConsumeIntegralInRange(0, 7)) {
        case 0: option = "-T" + Number(p); break;
        case 1:
            option = "-P" + Number(p) + "," + Number(p) + "," + Number(p) + "," + Number(p);
            break;
        case 2: option = "-L" + Number(p); break;
        case 3: option = std::string("-G") + Choose(p, {"", "+", "-", "x"}); break;
        case 4: option = "-O" + Number(p); break;
        case 5: option = "-" + p.ConsumeBytesAsString(1); break;
        default: option = p.ConsumeRandomLengthString(12); break;
        }
        // The platform passes a C string: no NUL inside.
        std::erase(option, '\0');
        line += (line.empty() ? "" : " ") + option;
    }
    line += (line.empty() ? "-O" : " -O") + std::to_string(p.ConsumeIntegralInRange(1, 5));
    return line;
}

} // namespace

DecodedRun DecodeRun(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider p(data, size);
    DecodedRun run;
    json& machine = run.machine;
    const char* platform = Rarely(p, 4) ? (p.ConsumeBool() ? "9x" : "win32s") : "nt";
    machine["platform"] = platform;
    run.windowsNT = std::string(platform) == "nt";
    const Desktop& desktop = Rarely(p, 3) ? Choose(p, Desktops) : Desktops[0];
    machine["desktop"] = {desktop.width, desktop.height};
    machine["locale"] = Choose(p, Locales);
    run.commandLine = DecodeCommandLine(p);
    machine["registry_text"] = DecodeRegistry(p, run.windowsNT, machine);
    machine["driver"] = DecodeDriver(p);
    if (Rarely(p, 3)) {
        machine["screens"] = DecodeScreens(p);
    }
    machine["user"] = DecodeUser(p);
    // GDI running out of resources has no scenario key; the harness applies
    // it (and the scenario loader ignores the key).
    if (Rarely(p, 10)) {
        machine["harness"] = {{"fail_compatible_dc", p.ConsumeIntegralInRange(0, 2)},
                              {"fail_compatible_bitmap", p.ConsumeIntegralInRange(0, 2)}};
    }
    return run;
}

} // namespace fuzz
