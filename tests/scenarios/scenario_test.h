// End-to-end scenarios: a machine described as the user would meet it, the
// program run from WinMain to its exit code, and what the user and the driver
// saw read back from the trace.
#pragma once

#include <gtest/gtest.h>

#include "emu/device.h"
#include "emu/machine.h"
#include "emu/registry.h"
#include "emu/scenario.h"
#include "emu/trace.h"
#include "program.h"

#include <string>
#include <vector>

namespace scenario {

using nlohmann::json;

constexpr const char* ServiceKey =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dravix";

// A registry with this many installed screens, each covering the whole
// desktop, under the key form of the platform.
std::string InstalledScreens(int count, bool windowsNT = true, int stated = -1);

// The key of a screen as the program saves to it.
std::string ScreenKey(int screen, bool windowsNT = true);

class ScenarioTest : public ::testing::Test {
  protected:
    void SetUp() override { emu::Reset(); }

    // Applies the scenario (a registry with one screen unless it says
    // otherwise) and runs the program with the command-line text.
    int Run(json machine, const std::string& commandLine = "");

    // The driver requests by name, in order, without the polls that found no
    // touch.
    static std::vector<std::string> Requests();
    static std::vector<json> Events(const std::string& kind) { return emu::EventsOf(kind); }
    // One string field of every trace event of a kind, in order.
    static std::vector<std::string> EventStrings(const std::string& kind, const std::string& field);
    static std::vector<std::string> MessageTexts();
    static std::vector<std::string> RegistryWriteNames();
};

} // namespace scenario
