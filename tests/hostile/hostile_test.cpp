#include "hostile/hostile_test.h"

#include "emu/gdi.h"
#include "emu/window_manager.h"

#include <cstdio>

namespace hostile {

std::string ValueSection(const std::string& key, const std::string& name, DWORD type,
                         const std::vector<std::uint8_t>& bytes) {
    char typeText[16];
    std::snprintf(typeText, sizeof typeText, "%lx", static_cast<unsigned long>(type));
    std::string line = "\r\n[" + key + "]\r\n\"" + name + "\"=hex(" + typeText + "):";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", bytes[i]);
        line += (i == 0 ? "" : ",") + std::string(byte);
    }
    return line + "\r\n";
}

std::string MissingValueSection(const std::string& key, const std::string& name) {
    return "\r\n[" + key + "]\r\n\"" + name + "\"=-\r\n";
}

int HostileRun::RunFresh(const json& machine, const std::string& commandLine,
                         const std::string& label) {
    emu::Reset();
    int code = Run(machine, commandLine);
    EXPECT_EQ(emu::OpenKeyHandles(), 0) << label;
    EXPECT_EQ(emu::OpenDeviceHandles(), 0) << label;
    EXPECT_EQ(emu::LiveWindowCount(), 0) << label;
    EXPECT_EQ(emu::LiveGdiObjects(), 0) << label << "\n" << emu::DescribeLiveGdi();
    EXPECT_EQ(emu::LiveDCs(), 0) << label << "\n" << emu::DescribeLiveGdi();
    EXPECT_EQ(emu::CursorDisplayCount(), 0) << label;
    return code;
}

std::vector<std::string> HostileRun::CalibrationWindows() {
    std::vector<std::string> windows;
    for (const json& window : emu::EventsOf("window")) {
        if (window.value("class", "") == "Calibrate" && window.value("op", "") == "create") {
            windows.push_back(std::to_string(window.value("w", -1)) + " x " +
                              std::to_string(window.value("h", -1)));
        }
    }
    return windows;
}

std::optional<DWORD> HostileRun::Saved(int screen, const std::string& name, bool windowsNT) {
    return emu::GetDword(ScreenKey(screen, windowsNT), name);
}

std::vector<std::string> HostileRun::DialogCaptions() {
    return EventStrings("dialog", "caption");
}

} // namespace hostile
