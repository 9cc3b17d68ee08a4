// Start-up and the chain of screens.
#include "scenario_test.h"

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

TEST_F(StartupScenario, DriverNotLoaded) {
    EXPECT_EQ(Run({{"driver", {{"present", false}}}}), 0);
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Unable to open touchscreen.  Is driver loaded?"}));
    EXPECT_TRUE(Events("window").empty());
}

TEST_F(StartupScenario, DriverOfAnotherVersion) {
    for (int version : {3, 5, 0xFFFF}) {
        emu::Reset();
        EXPECT_EQ(Run({{"driver", {{"version", version}}}}), 0);
        EXPECT_EQ(MessageTexts().size(), 1u);
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
    EXPECT_TRUE(emu::GetDword(ScreenKey(1), "XLow").has_value());
    EXPECT_FALSE(emu::GetDword(ScreenKey(0), "XLow").has_value());
    EXPECT_EQ(emu::DriverRequestsOf(emu::CodeSetCalibration).at(0).in[6], 1);
}

TEST_F(StartupScenario, ChainStopsWhereTheRangeTableEnds) {
    EXPECT_EQ(Run({{"registry_text", InstalledScreens(20)}}), 1);
    EXPECT_EQ(WindowOps().size(), 32u);
    EXPECT_TRUE(emu::GetDword(ScreenKey(15), "XLow").has_value());
    EXPECT_FALSE(emu::GetDword(ScreenKey(16), "XLow").has_value());
}

TEST_F(StartupScenario, MonitorGridPlacesTheWindow) {
    EXPECT_EQ(Run({}, "-P2,1,2,1"), 1);
    json create = Events("window").at(0);
    EXPECT_EQ(create["x"], 512);
    EXPECT_EQ(create["w"], 512);
    EXPECT_EQ(create["h"], 768);
    EXPECT_EQ(emu::GetDword(ScreenKey(0), "XlateXLow"), 16384u);
}

TEST_F(StartupScenario, Windows9xKeysAndScale) {
    EXPECT_EQ(Run({{"platform", "9x"}, {"registry_text", InstalledScreens(1, false)}}), 1);
    EXPECT_TRUE(emu::GetDword(ScreenKey(0, false), "XLow").has_value());
    EXPECT_EQ(Events("window").at(0)["w"], 1024);
}

} // namespace
} // namespace scenario
