#include "scenario_test.h"

#include "emu/virtual_user.h"

namespace scenario {

std::string ScreenKey(int screen, bool windowsNT) {
    return std::string(ServiceKey) + "\\TouchScreen" + std::to_string(screen) +
           (windowsNT ? "\\Parameters" : "");
}

std::string InstalledScreens(int count, bool windowsNT, int stated) {
    const char* high = windowsNT ? "00007fff" : "0000ffff";
    std::string text = "REGEDIT4\r\n\r\n[" + std::string(ServiceKey) +
                       "]\r\n\"NumberOfScreens\"=dword:" +
                       [&] {
                           char hex[9];
                           std::snprintf(hex, sizeof hex, "%08x",
                                         static_cast<unsigned>(stated < 0 ? count : stated));
                           return std::string(hex);
                       }() +
                       "\r\n";
    for (int screen = 0; screen < count; ++screen) {
        text += "\r\n[" + ScreenKey(screen, windowsNT) + "]\r\n\"XlateXLow\"=dword:00000000\r\n" +
                "\"XlateXHigh\"=dword:" + high + "\r\n\"XlateYLow\"=dword:00000000\r\n" +
                "\"XlateYHigh\"=dword:" + high + "\r\n\"XlateZLow\"=dword:00000001\r\n" +
                "\"XlateZHigh\"=dword:000000ff\r\n";
    }
    return text;
}

int ScenarioTest::Run(json machine, const std::string& commandLine) {
    if (!machine.contains("registry") && !machine.contains("registry_text")) {
        machine["registry_text"] = InstalledScreens(1);
    }
    std::string error = emu::ApplyScenario(machine, VINTOQ_SOURCE_DIR);
    EXPECT_EQ(error, "");
    return sim::RunProgram(commandLine);
}

std::vector<std::string> ScenarioTest::Requests() {
    std::vector<std::string> names;
    for (const emu::DriverRequest& request : emu::DriverLog()) {
        bool quietPoll = request.code == emu::CodeGetRawTouch && request.out.size() >= 12 &&
                         request.out[10] == 0 && request.out[11] == 0;
        if (!quietPoll) {
            names.push_back(emu::DriverCodeName(request.code));
        }
    }
    return names;
}

std::vector<std::string> ScenarioTest::EventStrings(const std::string& kind,
                                                    const std::string& field) {
    std::vector<std::string> values;
    for (const json& event : emu::EventsOf(kind)) {
        values.push_back(event.value(field, ""));
    }
    return values;
}

std::vector<std::string> ScenarioTest::MessageTexts() {
    return EventStrings("messagebox", "text");
}

std::vector<std::string> ScenarioTest::RegistryWriteNames() {
    return EventStrings("regset", "name");
}

} // namespace scenario
