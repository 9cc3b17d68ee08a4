#include "emu/scenario.h"

#include "emu/device.h"
#include "emu/faults.h"
#include "emu/machine.h"
#include "emu/registry.h"
#include "emu/touchscreen.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"

#include <cstdlib>
#include <map>
#include <set>

namespace emu {

namespace {

using nlohmann::json;

struct ScenarioError {
    std::string message;
};

[[noreturn]] void Fail(const std::string& message) {
    throw ScenarioError{message};
}

// Any value GetVersion can give: a number, or a string such as "0x80000A03".
DWORD VersionFrom(const json& value) {
    if (!value.is_string()) {
        return value.get<std::uint32_t>();
    }
    const std::string text = value.get<std::string>();
    char* end = nullptr;
    const unsigned long long number = std::strtoull(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || number > 0xFFFFFFFFULL) {
        Fail("windows_version must be a 32-bit number, not " + text);
    }
    return static_cast<DWORD>(number);
}

void ApplyPlatform(const json& scenario) {
    static const std::map<std::string, Platform> platforms{
        {"nt", Platform::WindowsNT}, {"9x", Platform::Windows9x}, {"win32s", Platform::Win32s}};
    std::string name = scenario.value("platform", "nt");
    auto found = platforms.find(name);
    if (found == platforms.end()) {
        Fail("platform must be nt, 9x or win32s, not " + name);
    }
    Machine().platform = found->second;
    if (scenario.contains("windows_version")) {
        Machine().version = VersionFrom(scenario.at("windows_version"));
    }
}

void ApplyDesktop(const json& scenario) {
    if (scenario.contains("desktop")) {
        const json& size = scenario.at("desktop");
        Machine().desktopWidth = size.at(0).get<int>();
        Machine().desktopHeight = size.at(1).get<int>();
    }
    if (scenario.contains("locale")) {
        Machine().localeName = scenario.at("locale").get<std::string>();
    }
}

void ApplyRegistry(const json& scenario, const std::string& baseDirectory) {
    if (scenario.contains("registry")) {
        std::string file = scenario.at("registry").get<std::string>();
        if (!file.empty() && file.front() != '/') {
            file = baseDirectory + "/" + file;
        }
        RegFileResult result = LoadRegFile(file);
        if (!result.ok) {
            Fail(file + ": " + result.error);
        }
    }
    if (scenario.contains("registry_text")) {
        RegFileResult result = ImportRegText(scenario.at("registry_text").get<std::string>());
        if (!result.ok) {
            Fail("registry_text: " + result.error);
        }
    }
    // value() returns a copy: keep it alive for the whole loop.
    const json readOnlyKeys = scenario.value("read_only_keys", json::array());
    for (const json& key : readOnlyKeys) {
        SetReadOnly(key.get<std::string>());
    }
    const json failingWrites = scenario.value("failing_writes", json::object());
    for (const auto& [name, status] : failingWrites.items()) {
        FailWrites(name, status.get<LSTATUS>());
    }
}

std::uint32_t RequestCode(const std::string& name) {
    std::optional<std::uint32_t> code = DriverCodeFromName(name);
    if (!code) {
        Fail("no driver request is called " + name);
    }
    return *code;
}

void ApplyDriver(const json& scenario) {
    const json driver = scenario.value("driver", json::object());
    DriverConfig& config = Driver();
    config.present = driver.value("present", true);
    if (driver.contains("version")) {
        const json& version = driver.at("version");
        config.version = version.is_null()
                             ? std::nullopt
                             : std::optional<std::uint16_t>(version.get<std::uint16_t>());
    }
    const json failing = driver.value("fail", json::array());
    for (const json& name : failing) {
        config.failing.insert(RequestCode(name.get<std::string>()));
    }
    const json unwritten = driver.value("unwritten", json::array());
    for (const json& name : unwritten) {
        config.unwritten.insert(RequestCode(name.get<std::string>()));
    }
    const json replies = driver.value("replies", json::object());
    for (const auto& [name, bytes] : replies.items()) {
        config.replyOverride[RequestCode(name)] = bytes.get<std::vector<std::uint8_t>>();
    }
    config.closeFails = driver.value("close_fails", false);
    const json touches = driver.value("touches", json::array());
    for (const json& touch : touches) {
        config.touches.push_back(
            {touch.at(0).get<std::uint16_t>(), touch.at(1).get<std::uint16_t>(),
             touch.size() > 2 ? touch.at(2).get<std::uint16_t>() : std::uint16_t{1}, 0,
             std::nullopt});
    }
}

// Calls of the window manager that fail on request.
void ApplyWindowFailures(const json& scenario) {
    if (scenario.contains("fail_register_class")) {
        FailRegisterClass(scenario.at("fail_register_class").get<DWORD>());
    }
    if (scenario.contains("fail_create_window")) {
        FailCreateWindow(scenario.at("fail_create_window").get<std::set<int>>());
    }
}

Controller ControllerFrom(const json& screen) {
    Controller controller;
    if (screen.contains("area")) {
        const json& area = screen.at("area");
        controller.area = {area.at(0).get<LONG>(), area.at(1).get<LONG>(),
                           area.at(0).get<LONG>() + area.at(2).get<LONG>(),
                           area.at(1).get<LONG>() + area.at(3).get<LONG>()};
    }
    if (screen.contains("raw_x")) {
        controller.rawLeft = screen.at("raw_x").at(0).get<std::uint16_t>();
        controller.rawRight = screen.at("raw_x").at(1).get<std::uint16_t>();
    }
    if (screen.contains("raw_y")) {
        controller.rawTop = screen.at("raw_y").at(0).get<std::uint16_t>();
        controller.rawBottom = screen.at("raw_y").at(1).get<std::uint16_t>();
    }
    if (screen.value("invert_x", false)) {
        std::swap(controller.rawLeft, controller.rawRight);
    }
    if (screen.value("invert_y", false)) {
        std::swap(controller.rawTop, controller.rawBottom);
    }
    controller.swapXY = screen.value("swap", false);
    controller.noise = screen.value("noise", 0);
    return controller;
}

void ApplyScreens(const json& scenario) {
    if (!scenario.contains("screens")) {
        return;
    }
    Touchscreens().clear();
    for (const json& screen : scenario.at("screens")) {
        Touchscreens().push_back(ControllerFrom(screen));
    }
}

UserAction ActionFrom(const json& entry) {
    static const std::map<std::string, ActionKind> kinds{
        {"touch", ActionKind::Touch},    {"esc", ActionKind::Esc},
        {"idle", ActionKind::Idle},      {"yes", ActionKind::Yes},
        {"no", ActionKind::No},          {"enter", ActionKind::Enter},
        {"escape", ActionKind::Escape},  {"close", ActionKind::Close},
        {"timeout", ActionKind::Timeout}};
    if (entry.is_object() && entry.contains("touch")) {
        const json& offset = entry.at("touch");
        return {ActionKind::Touch, offset.at(0).get<int>(), offset.at(1).get<int>()};
    }
    std::string name = entry.is_string() ? entry.get<std::string>() : entry.dump();
    auto found = kinds.find(name);
    if (found == kinds.end()) {
        Fail("unknown user action " + name);
    }
    return {found->second, 0, 0};
}

void ApplyUser(const json& scenario) {
    const json actions = scenario.value("user", json::array());
    for (const json& entry : actions) {
        UserScript().push_back(ActionFrom(entry));
    }
}

} // namespace

std::string ApplyScenario(const nlohmann::json& scenario, const std::string& baseDirectory) {
    try {
        if (!scenario.is_object()) {
            Fail("a scenario is a JSON object");
        }
        ApplyPlatform(scenario);
        ApplyDesktop(scenario);
        ApplyRegistry(scenario, baseDirectory);
        ApplyDriver(scenario);
        ApplyWindowFailures(scenario);
        ApplyScreens(scenario);
        ApplyUser(scenario);
        AttachVirtualUser();
        return "";
    } catch (const ScenarioError& error) {
        return error.message;
    } catch (const nlohmann::json::exception& error) {
        return error.what();
    }
}

nlohmann::json DemoScenario() {
    return {
        {"platform", "nt"},
        {"desktop", {1024, 768}},
        {"registry_text", "REGEDIT4\r\n\r\n"
                          "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dravix]\r\n"
                          "\"NumberOfScreens\"=dword:00000001\r\n\r\n"
                          "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dravix\\"
                          "TouchScreen0\\Parameters]\r\n"
                          "\"XlateXLow\"=dword:00000000\r\n\"XlateXHigh\"=dword:00007fff\r\n"
                          "\"XlateYLow\"=dword:00000000\r\n\"XlateYHigh\"=dword:00007fff\r\n"
                          "\"XlateZLow\"=dword:00000001\r\n\"XlateZHigh\"=dword:000000ff\r\n"},
        {"screens",
         {{{"raw_x", {0, 4095}}, {"raw_y", {0, 4095}}, {"invert_y", true}, {"swap", true}}}},
    };
}

} // namespace emu
