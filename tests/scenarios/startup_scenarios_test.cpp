// Start-up and the chain of screens.
#include "scenario_test.h"

#include "emu/faults.h"
#include "emu/window_manager.h"

#include <algorithm>

namespace scenario {
namespace {

using StartupScenario = ScenarioTest;

std::vector<std::string> WindowOps() {
    std::vector<std::string> ops;
    for (const json& window : emu::EventsOf("window")) {
        if (window.value("class", "") == "Calibrate") {
            ops.push_back(window.value("op", "") + " " + std::to_string(window.value("x", 0)));
        }
    }
    return ops;
}

TEST_F(StartupScenario, InvalidOptionShowsTheParamErrorDialog) {
    EXPECT_EQ(Run({}, "-T1 -X"), 0);
    std::vector<json> dialogs = Events("dialog");
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0]["template"], "ParamError");
    EXPECT_EQ(dialogs[0]["caption"], "Error in command line parameter");
    EXPECT_EQ(dialogs[0]["items"]["1000"], "Parameter \"-X\" invalid in command line \"-T1 -X\"");
    EXPECT_EQ(dialogs[0]["items"]["1001"], "Vintoq32 have no command line parameters.");
    EXPECT_EQ(dialogs[0]["items"]["1012"], " ");
    EXPECT_TRUE(emu::DriverLog().empty());
    EXPECT_TRUE(Events("window").empty());
}

TEST_F(StartupScenario, OptionHelpInAnotherLanguage) {
    EXPECT_EQ(Run({}, "-L1 -O0"), 0);
    json dialog = Events("dialog").at(0);
    EXPECT_EQ(dialog["items"]["1001"], "Vintoq32 command line parameters:");
    EXPECT_EQ(dialog["items"]["1013"], "Examples:");
}

TEST_F(StartupScenario, LanguageWithoutTablesFallsBackToEnglish) {
    EXPECT_EQ(Run({}, "-L9"), 0);
    json dialog = Events("dialog").at(0);
    EXPECT_EQ(dialog["caption"], "Error in command line parameter");
    EXPECT_EQ(dialog["items"]["1000"], "Parameter \"-L9\" invalid in command line \"-L9\"");
}

TEST_F(StartupScenario, NoInstalledScreen) {
    EXPECT_EQ(Run({{"registry_text", "REGEDIT4\r\n"}}), 0);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"You do not have sufficient access "
                                                        "right, contact system administrator."}));
    EXPECT_TRUE(emu::DriverLog().empty());
}

TEST_F(StartupScenario, ChosenScreenMustBeInstalled) {
    EXPECT_EQ(Run({{"registry_text", InstalledScreens(2)}}, "-T2"), 1);
    emu::Reset();
    EXPECT_EQ(Run({{"registry_text", InstalledScreens(2)}}, "-T3"), 0);
    EXPECT_EQ(MessageTexts().size(), 1u);
    emu::Reset();
    EXPECT_EQ(Run({}, "-T17"), 0);
    EXPECT_EQ(MessageTexts().size(), 1u);
}

TEST_F(StartupScenario, ScreenNumbersBeyondTheTableAreNotInstalled) {
    for (const char* option : {"-T17", "-T2147483647"}) {
        emu::Reset();
        EXPECT_EQ(Run({{"registry_text", InstalledScreens(20)}}, option), 0) << option;
        EXPECT_EQ(MessageTexts().size(), 1u) << option;
        EXPECT_TRUE(emu::DriverLog().empty()) << option;
    }
    emu::Reset();
    EXPECT_EQ(Run({{"registry_text", InstalledScreens(20)}}, "-T16"), 1);
}

// The screen is checked before the device is opened: with neither a screen
// nor a driver, the user hears about the screen.
TEST_F(StartupScenario, MissingScreenIsReportedBeforeTheDeviceIsOpened) {
    EXPECT_EQ(Run({{"registry_text", "REGEDIT4\r\n"}, {"driver", {{"present", false}}}}), 0);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"You do not have sufficient access "
                                                        "right, contact system administrator."}));
    EXPECT_TRUE(Events("open").empty());
    emu::Reset();
    EXPECT_EQ(
        Run({{"registry_text", InstalledScreens(2)}, {"driver", {{"present", false}}}}, "-T3"), 0);
    EXPECT_EQ(MessageTexts().size(), 1u);
    EXPECT_TRUE(Events("open").empty());
}

// The version request already names the chosen screen.
TEST_F(StartupScenario, VersionRequestCarriesTheChosenScreen) {
    EXPECT_EQ(Run({{"registry_text", InstalledScreens(3)}}, "-T3"), 1);
    std::vector<emu::DriverRequest> info = emu::DriverRequestsOf(emu::CodeGetDriverInfo);
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(emu::Hex(info[0].in.data(), 8), "0400040000000200");
}

TEST_F(StartupScenario, DriverNotLoaded) {
    EXPECT_EQ(Run({{"driver", {{"present", false}}}}), 0);
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Unable to open touchscreen.  Is driver loaded?"}));
    EXPECT_TRUE(Events("window").empty());
}

TEST_F(StartupScenario, DriverOfAnotherVersion) {
    // 0x0104 has the right low byte: the whole word is compared.
    for (int version : {3, 5, 0xFFFF, 0x0104, 0x0400}) {
        emu::Reset();
        EXPECT_EQ(Run({{"driver", {{"version", version}}}}), 0) << version;
        ASSERT_EQ(MessageTexts().size(), 1u) << version;
        EXPECT_EQ(MessageTexts()[0].rfind("Touchscreen Driver and Vintoq32 version mismatch.", 0),
                  0u);
        EXPECT_EQ(emu::OpenDeviceHandles(), 0);
        EXPECT_TRUE(Events("window").empty());
        // The device was closed before the message appeared.
        std::vector<json> events = emu::TraceEvents();
        auto close = std::find_if(events.begin(), events.end(),
                                  [](const json& e) { return e["ev"] == "close"; });
        auto box = std::find_if(events.begin(), events.end(),
                                [](const json& e) { return e["ev"] == "messagebox"; });
        EXPECT_LT(close, box);
    }
}

TEST_F(StartupScenario, SilentVersionRequestPasses) {
    EXPECT_EQ(Run({{"driver", {{"version", nullptr}, {"fail", {"GetDriverInfo"}}}}}), 1);
}

TEST_F(StartupScenario, ClassThatCannotBeRegistered) {
    EXPECT_EQ(Run({{"fail_register_class", ERROR_NOT_ENOUGH_MEMORY}}), 0);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"RegisterClass Function failed"}));
    EXPECT_EQ(Events("messagebox")[0]["type"], MB_ICONWARNING);
    EXPECT_TRUE(Events("window").empty());
    EXPECT_EQ(emu::OpenDeviceHandles(), 0);

    // A class of that name that is already there serves as well.
    emu::Reset();
    EXPECT_EQ(Run({{"fail_register_class", ERROR_CLASS_ALREADY_EXISTS}}), 1);
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
}

// Nothing reports a window that could not be made; the exit code is the 1 set
// before the attempt, whatever the screen before it gave.
TEST_F(StartupScenario, WindowThatCannotBeCreatedEndsTheChain) {
    EXPECT_EQ(Run({{"registry_text", InstalledScreens(3)},
                   {"user", {"esc"}},
                   {"fail_create_window", {2}}}),
              1);
    EXPECT_EQ(WindowOps(), (std::vector<std::string>{"create 0", "destroy 0", "create failed 0"}));
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_TRUE(RegistryWriteNames().empty());
    EXPECT_EQ(emu::DriverRequestsOf(emu::CodeSetCalibration).size(), 0u);
    EXPECT_EQ(emu::OpenDeviceHandles(), 0);

    emu::Reset();
    EXPECT_EQ(Run({{"fail_create_window", {1}}}), 1);
    EXPECT_EQ(WindowOps(), (std::vector<std::string>{"create failed 0"}));
    EXPECT_EQ(Requests(), (std::vector<std::string>{"GetDriverInfo"}));
    EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(StartupScenario, FailingCloseIsReportedWithTheExitCodeKept) {
    EXPECT_EQ(Run({{"driver", {{"close_fails", true}}}}), 1);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Failed to close dravix device."}));
}

TEST_F(StartupScenario, TimerThatCannotBeSetLeavesTheScreenWithoutTimeOut) {
    emu::FailSetTimer(true);
    EXPECT_EQ(Run({}, "-O1"), 1);
    ASSERT_EQ(MessageTexts(), (std::vector<std::string>{"Could not set a timer!"}));
    EXPECT_EQ(Events("messagebox")[0]["type"], MB_ICONWARNING);
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
}

TEST_F(StartupScenario, EveryInstalledScreenInTurn) {
    std::string registry = InstalledScreens(3);
    EXPECT_EQ(Run({{"registry_text", registry}}), 1);
    EXPECT_EQ(WindowOps(), (std::vector<std::string>{"create 0", "destroy 0", "create 0",
                                                     "destroy 0", "create 0", "destroy 0"}));
    for (int screen = 0; screen < 3; ++screen) {
        EXPECT_TRUE(emu::GetDword(ScreenKey(screen), "XLow").has_value()) << screen;
    }
    std::vector<emu::DriverRequest> sets = emu::DriverRequestsOf(emu::CodeSetCalibration);
    ASSERT_EQ(sets.size(), 3u);
    for (std::uint8_t screen = 0; screen < 3; ++screen) {
        EXPECT_EQ(sets[screen].in[6], screen);
    }
}

TEST_F(StartupScenario, EscOnTheFirstScreenStillCalibratesTheOthers) {
    EXPECT_EQ(Run({{"registry_text", InstalledScreens(3)}, {"user", {"esc"}}}), 1);
    EXPECT_FALSE(emu::GetDword(ScreenKey(0), "XLow").has_value());
    EXPECT_TRUE(emu::GetDword(ScreenKey(2), "XLow").has_value());
}

TEST_F(StartupScenario, ExitCodeIsTheLastScreens) {
    json user = {"touch", "touch", "touch", "yes", "esc"};
    user[0] = json{{"touch", {0, 0}}};
    user[1] = json{{"touch", {0, 0}}};
    user[2] = json{{"touch", {0, 0}}};
    EXPECT_EQ(Run({{"registry_text", InstalledScreens(2)}, {"user", user}}), 0);
    EXPECT_TRUE(emu::GetDword(ScreenKey(0), "XLow").has_value());
}

TEST_F(StartupScenario, OneChosenScreenOnly) {
    EXPECT_EQ(Run({{"registry_text", InstalledScreens(3)}}, "-T2"), 1);
    EXPECT_EQ(WindowOps().size(), 2u);
    // Without -P the grid is one monitor: the whole desktop.
    EXPECT_EQ(Events("window").at(0)["w"], 1024);
    EXPECT_EQ(Events("window").at(0)["h"], 768);
    EXPECT_EQ(emu::GetDword(ScreenKey(1), "XlateXHigh"), 0x7FFFu);
    EXPECT_TRUE(emu::GetDword(ScreenKey(1), "XLow").has_value());
    EXPECT_FALSE(emu::GetDword(ScreenKey(0), "XLow").has_value());
    // The header's screen word (bytes 6 and 7): -T2 counted from 0.
    EXPECT_EQ(emu::DriverRequestsOf(emu::CodeSetCalibration).at(0).in[6], 1);
}

TEST_F(StartupScenario, ChainStopsWhereTheRangeTableEnds) {
    EXPECT_EQ(Run({{"registry_text", InstalledScreens(20)}}), 1);
    EXPECT_EQ(WindowOps().size(), 32u); // a creation and a destruction for each of 16 entries
    EXPECT_TRUE(emu::GetDword(ScreenKey(15), "XLow").has_value());
    EXPECT_FALSE(emu::GetDword(ScreenKey(16), "XLow").has_value());
}

TEST_F(StartupScenario, MonitorGridPlacesTheWindow) {
    EXPECT_EQ(Run({}, "-P2,1,2,1"), 1);
    json create = Events("window").at(0);
    // Column 2 of 2: 0x8000 / 2 = 16384 wide, from 16384; 16384 x 1024 / 0x8000.
    EXPECT_EQ(create["x"], 512);
    EXPECT_EQ(create["w"], 512);
    EXPECT_EQ(create["h"], 768);
    EXPECT_EQ(emu::GetDword(ScreenKey(0), "XlateXLow"), 16384u);
}

// A screen that NumberOfScreens claims but the registry has no key for gets
// a window of no size, on which nothing can be seen or touched: only the
// time-out ends its wait.
TEST_F(StartupScenario, ScreenWithoutAKeyShowsNoTargetToTouch) {
    EXPECT_EQ(Run({{"registry_text", InstalledScreens(1, true, 2)}}, "-O5"), 0);
    std::vector<json> windows;
    for (const json& window : Events("window")) {
        windows.push_back({window["op"], window["w"], window["h"]});
    }
    EXPECT_EQ(
        windows,
        (std::vector<json>{
            {"create", 1024, 768}, {"destroy", 1024, 768}, {"create", 0, 0}, {"destroy", 0, 0}}));
    EXPECT_EQ(Events("touch").size(), 3u);
    EXPECT_EQ(emu::DriverRequestsOf(emu::CodeSetCalibration).size(), 1u);
    EXPECT_EQ(emu::DriverRequestsOf(emu::CodeEnablePointQueueing).size(), 2u);
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
}

// The program's start-up passes WinMain the command line without the white
// space in front of the options; a byte above 127 is a letter of the code
// page, not white space, and stays in the command line.
TEST_F(StartupScenario, WhiteSpaceInFrontOfTheOptionsIsNotPassedOn) {
    EXPECT_EQ(Run({}, " \t\x01-X "), 0);
    EXPECT_EQ(Events("dialog").at(0)["items"]["1000"],
              "Parameter \"-X\" invalid in command line \"-X \"");
}

TEST_F(StartupScenario, ByteAbove127InFrontOfTheOptionsIsPassedOn) {
    EXPECT_EQ(Run({}, " \t\xA0-X "), 0);
    EXPECT_EQ(Events("dialog").at(0)["items"]["1000"],
              "Parameter \"-X\" invalid in command line \"\u00A0-X \"");
}

// The stored control-panel language is chosen first; the option, read
// afterwards, wins over it.
TEST_F(StartupScenario, LanguageOptionOverridesTheStoredLanguage) {
    const std::string registry =
        InstalledScreens(1) +
        "\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\"
        "ZorvaTouchscreen]\r\n\"CplLanguage\"=dword:00000002\r\n";
    const std::pair<const char*, const char*> runs[] = {
        {"", "Vérification de la calibration"},
        {"-L1", "Kalibratie controleren"},
        {"-L0", "Check Calibration"},
    };
    for (const auto& [options, caption] : runs) {
        emu::Reset();
        EXPECT_EQ(Run({{"registry_text", registry}, {"locale", "German_Germany.1252"}}, options),
                  1);
        EXPECT_EQ(Events("dialog").at(0)["caption"], caption) << options;
    }
}

// GetVersion as Windows NT 3.51 gives it: major version 3, but bit 31 clear.
TEST_F(StartupScenario, WindowsNT351IsWindowsNT) {
    EXPECT_EQ(Run({{"windows_version", "0x04213303"}}), 1);
    EXPECT_EQ(Events("window").at(0)["w"], 1024);
    EXPECT_EQ(emu::GetDword(ScreenKey(0), "XlateXHigh"), 0x7FFFu);
}

TEST_F(StartupScenario, Windows9xKeysAndScale) {
    EXPECT_EQ(Run({{"platform", "9x"}, {"registry_text", InstalledScreens(1, false)}}), 1);
    EXPECT_TRUE(emu::GetDword(ScreenKey(0, false), "XLow").has_value());
    EXPECT_EQ(Events("window").at(0)["w"], 1024);
}

} // namespace
} // namespace scenario
