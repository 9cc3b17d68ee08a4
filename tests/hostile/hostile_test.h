// Hostile input: a registry, a driver and a command line that someone else
// set up, met by the whole program from WinMain on. Every run must end in the
// documented outcome and leave nothing open behind it.
#pragma once

#include "scenarios/scenario_test.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hostile {

using nlohmann::json;
using scenario::InstalledScreens;
using scenario::ScreenKey;

constexpr const char* ClassKey =
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\ZorvaTouchscreen";

// Touches that give a plain calibration on the whole 1024 x 768 desktop.
const json PlainTouches = {{600, 560}, {3480, 3520}, {3470, 575}};

// A .reg section that sets one value with any type and bytes, after the
// sections it is appended to.
std::string ValueSection(const std::string& key, const std::string& name, DWORD type,
                         const std::vector<std::uint8_t>& bytes);
// A .reg section that removes one value.
std::string MissingValueSection(const std::string& key, const std::string& name);

class HostileRun : public scenario::ScenarioTest {
  protected:
    // A freshly booted machine, the run, and the check that no registry key,
    // device handle, window, GDI object or device context is left and the
    // cursor is shown again. `label` names the case in failure messages.
    int RunFresh(const json& machine, const std::string& commandLine, const std::string& label);

    // The calibration windows created, in order, as "w x h".
    static std::vector<std::string> CalibrationWindows();
    static std::optional<DWORD> Saved(int screen, const std::string& name, bool windowsNT = true);
    static std::vector<std::string> DialogCaptions();
};

} // namespace hostile
