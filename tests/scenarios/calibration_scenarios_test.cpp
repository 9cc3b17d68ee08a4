// One screen, from the first target to the stored calibration.
#include "scenario_test.h"

#include "emu/gdi.h"
#include "emu/window_manager.h"

#include <algorithm>

namespace scenario {
namespace {

// On the 1024 x 768 desktop, targets 768 and 576 pixels apart with margins of
// 128 and 96: x 2880 / 768 x 128 = 480 each side of 600 and 3480 (120, 3960);
// y 2960 / 576 x 96 = 493.33, truncated, each side of 560 and 3520 (67, 4013).
const json PlainTouches = {{600, 560}, {3480, 3520}, {3470, 575}};
const std::vector<std::string> SavedOrder = {
    "SwapXY",    "XLow",       "XHigh",     "YLow",       "YHigh",     "ZLow",      "ZHigh",
    "XlateXLow", "XlateXHigh", "XlateYLow", "XlateYHigh", "XlateZLow", "XlateZHigh"};

std::vector<std::string> OneAttempt() {
    return {"DisablePointQueueing", "BeginTouchWait", "GetRawTouch", "BeginTouchWait",
            "GetRawTouch",          "BeginTouchWait", "GetRawTouch", "EnablePointQueueing",
            "SetCalibration",       "SetBeep",        "SetBeep"};
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

DWORD Saved(const std::string& name, int screen = 0) {
    return emu::GetDword(ScreenKey(screen), name).value_or(0xDEADBEEF);
}

using CalibrationScenario = ScenarioTest;

TEST_F(CalibrationScenario, YesOnTheFirstAttemptStoresTheCalibration) {
    EXPECT_EQ(Run({{"driver", {{"touches", PlainTouches}}}}), 1);

    EXPECT_EQ(Requests(), Concat({"GetDriverInfo"}, OneAttempt()));
    std::vector<emu::DriverRequest> beeps = emu::DriverRequestsOf(emu::CodeSetBeep);
    ASSERT_EQ(beeps.size(), 2u);
    EXPECT_EQ(beeps[0].in[8], 0);
    EXPECT_EQ(beeps[1].in[8], 1);
    // The header, the flag 0, the frequency 1000 = 0x03E8, the time 32 = 0x20.
    EXPECT_EQ(emu::Hex(beeps[0].in.data(), 14), "0400040000000000"
                                                "0000e8032000");

    EXPECT_EQ(RegistryWriteNames(), SavedOrder);
    EXPECT_EQ(Saved("XLow"), 120u);
    EXPECT_EQ(Saved("XHigh"), 3960u);
    EXPECT_EQ(Saved("YLow"), 67u);
    EXPECT_EQ(Saved("YHigh"), 4013u);
    EXPECT_EQ(Saved("SwapXY"), 0u);
    EXPECT_EQ(Saved("ZLow"), 1u);
    EXPECT_EQ(Saved("ZHigh"), 255u);
    EXPECT_EQ(Saved("XlateXHigh"), 32767u);
    EXPECT_EQ(Saved("XlateZLow"), 1u);
    EXPECT_EQ(Saved("XlateZHigh"), 255u);

    ASSERT_EQ(Events("dialog").size(), 1u);
    EXPECT_EQ(Events("dialog")[0]["template"], "CalibTest");
    EXPECT_EQ(Events("beep").size(), 3u); // one per accepted touch
    EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(CalibrationScenario, NothingIsLeftBehind) {
    Run({});
    EXPECT_EQ(emu::OpenKeyHandles(), 0);
    EXPECT_EQ(emu::OpenDeviceHandles(), 0);
    EXPECT_EQ(emu::LiveWindowCount(), 0);
    EXPECT_EQ(emu::CursorDisplayCount(), 0);
    EXPECT_EQ(emu::LiveGdiObjects(), 0);
}

TEST_F(CalibrationScenario, TheVirtualUserMeetsEveryTarget) {
    // A controller with swapped axes and an inverted y axis, touched where the
    // targets are drawn: the calibration maps the window edges to the raw
    // edges of the controller.
    EXPECT_EQ(Run({{"screens", {{{"raw_x", {0, 4095}}, {"raw_y", {4095, 0}}, {"swap", true}}}}}),
              1);
    std::vector<json> touches = Events("touch");
    ASSERT_EQ(touches.size(), 3u);
    // The targets of the 1024 x 768 desktop: 1024 / 8, 768 / 8 and 7 times each.
    EXPECT_EQ(touches[0]["x"], 128);
    EXPECT_EQ(touches[0]["y"], 96);
    EXPECT_EQ(touches[1]["x"], 896);
    EXPECT_EQ(touches[1]["y"], 672);
    EXPECT_EQ(touches[2]["x"], 896);
    EXPECT_EQ(touches[2]["y"], 96);
    EXPECT_EQ(Saved("SwapXY"), 1u);
    EXPECT_NEAR(Saved("XLow"), 0, 8);
    EXPECT_NEAR(Saved("XHigh"), 4095, 8);
    EXPECT_NEAR(Saved("YLow"), 4095, 8);
    EXPECT_NEAR(Saved("YHigh"), 1, 8);
}

TEST_F(CalibrationScenario, NoThenYesTakesThreeNewTouchesAndSavesOnlyTheSecond) {
    json touches = PlainTouches;
    touches.push_back({700, 660});
    touches.push_back({3580, 3620});
    touches.push_back({3570, 675});
    EXPECT_EQ(Run({{"driver", {{"touches", touches}}}, {"user", {"no", "yes"}}}), 1);
    EXPECT_EQ(Requests(), Concat(Concat({"GetDriverInfo"}, OneAttempt()), OneAttempt()));
    EXPECT_EQ(Events("dialog").size(), 2u);
    EXPECT_EQ(RegistryWriteNames(), SavedOrder);
    // The second touches are the first moved by 100: 120 + 100, 67 + 100.
    EXPECT_EQ(Saved("XLow"), 220u);
    EXPECT_EQ(Saved("YLow"), 167u);
}

TEST_F(CalibrationScenario, EveryWayOfAnsweringTheDialog) {
    struct Answer {
        const char* action;
        bool saved;
    };
    for (Answer answer : {Answer{"yes", true}, Answer{"enter", true}, Answer{"no", false},
                          Answer{"escape", false}, Answer{"close", false}}) {
        emu::Reset();
        // A refusal starts over; the second dialog is answered Yes.
        EXPECT_EQ(Run({{"user", {answer.action}}}), 1) << answer.action;
        EXPECT_EQ(Events("dialog").size(), answer.saved ? 1u : 2u) << answer.action;
        EXPECT_EQ(RegistryWriteNames().size(), 13u) << answer.action;
    }
}

TEST_F(CalibrationScenario, TimeOutInTheDialogCountsAsYes) {
    // With -O1 the first tick after the targets falls in the dialog.
    for (const char* option : {"-O1", "-O5"}) {
        emu::Reset();
        EXPECT_EQ(Run({{"driver", {{"touches", PlainTouches}}}, {"user", {"timeout"}}}, option), 1)
            << option;
        EXPECT_EQ(Saved("XLow"), 120u) << option;
        EXPECT_EQ(Events("dialog").size(), 1u) << option;
        // The time-out took the calibration window away, and the dialog it
        // owned with it.
        const std::vector<json>& events = emu::TraceEvents();
        auto destroyed = std::find_if(events.begin(), events.end(), [](const json& e) {
            return e["ev"] == "window" && e["op"] == "destroy";
        });
        auto dialog = std::find_if(events.begin(), events.end(),
                                   [](const json& e) { return e["ev"] == "dialog"; });
        EXPECT_LT(destroyed, dialog) << option;
        EXPECT_TRUE(Events("error").empty()) << option;
        EXPECT_EQ(emu::LiveWindowCount(), 0) << option;
    }
}

TEST_F(CalibrationScenario, EscOnTheSecondTargetAbandonsTheScreen) {
    EXPECT_EQ(Run({{"user", {json{{"touch", {0, 0}}}, "esc"}}}), 0);
    EXPECT_EQ(Requests(),
              (std::vector<std::string>{"GetDriverInfo", "DisablePointQueueing", "BeginTouchWait",
                                        "GetRawTouch", "BeginTouchWait", "EnablePointQueueing"}));
    EXPECT_TRUE(RegistryWriteNames().empty());
    EXPECT_TRUE(Events("dialog").empty());
    EXPECT_EQ(Events("key").size(), 1u);
}

TEST_F(CalibrationScenario, IdleUserRunsIntoTheTimeOut) {
    EXPECT_EQ(Run({{"user", {"idle"}}}, "-O3"), 0);
    EXPECT_EQ(Requests(), (std::vector<std::string>{"GetDriverInfo", "DisablePointQueueing",
                                                    "BeginTouchWait", "EnablePointQueueing"}));
    EXPECT_TRUE(RegistryWriteNames().empty());
}

TEST_F(CalibrationScenario, OnlyTheTouchFlagMakesATouch) {
    // Coordinates without the flag are no touch; the flag at (0, 0) is one.
    json touches = {{100, 200, 0}, {0, 0, 1}, {3480, 3520}, {3470, 575}};
    EXPECT_EQ(Run({{"driver", {{"touches", touches}}}}), 1);
    // Touch 1 was the flagged (0, 0); the unflagged (100, 200) would give 4043.
    EXPECT_EQ(Saved("XHigh"), 4060u); // 3480 / 768 x 128 = 580: 3480 + 580
    EXPECT_EQ(Saved("YHigh"), 4106u); // 3520 / 576 x 96 = 586.67: 3520 + 586
    EXPECT_EQ(Saved("XLow"), 1u);     // 0 - 580, clamped
}

TEST_F(CalibrationScenario, FailingSetCalibrationShowsTwoBoxesAndSavesNothing) {
    EXPECT_EQ(Run({{"driver", {{"fail", {"SetCalibration"}}}}}), 0);
    ASSERT_EQ(MessageTexts(),
              (std::vector<std::string>{"Calibrate I/O control failed.", "IoctlResult = 0:\n"}));
    std::vector<json> boxes = Events("messagebox");
    EXPECT_EQ(boxes[0]["type"], MB_ICONWARNING);
    EXPECT_EQ(boxes[0]["caption"], "");
    EXPECT_EQ(boxes[1]["type"], MB_OK);
    EXPECT_TRUE(Events("dialog").empty());
    EXPECT_TRUE(RegistryWriteNames().empty());
}

TEST_F(CalibrationScenario, FailingEnablePointQueueingAfterTheThirdTouch) {
    EXPECT_EQ(Run({{"driver", {{"fail", {"EnablePointQueueing"}}}}}), 0);
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Enable point queueing function to Windows failed.",
                                        "IoctlResult = 0:\n"}));
    EXPECT_TRUE(emu::DriverRequestsOf(emu::CodeSetCalibration).empty());
}

TEST_F(CalibrationScenario, FailingRequestsThatNobodyChecksChangeNothing) {
    EXPECT_EQ(Run({{"driver", {{"fail", {"DisablePointQueueing", "BeginTouchWait", "SetBeep"}}}}}),
              1);
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
}

TEST_F(CalibrationScenario, TheDriversReplyIsWhatGetsSaved) {
    std::vector<int> reply(34, 0);
    reply[8] = 0x11; // XLow, the first word after the 8-byte header
    reply[20] = 1;   // SwapXY, the seventh: 8 + 2 x 6
    EXPECT_EQ(Run({{"driver", {{"replies", {{"SetCalibration", reply}}}}}}), 1);
    EXPECT_EQ(Saved("XLow"), 0x11u);
    EXPECT_EQ(Saved("SwapXY"), 1u);
    EXPECT_EQ(Saved("XlateXHigh"), 0u);
}

TEST_F(CalibrationScenario, SaveFailureIsReportedButTheScreenCountsAsDone) {
    EXPECT_EQ(Run({{"failing_writes", {{"XLow", ERROR_ACCESS_DENIED}}}}), 1);
    EXPECT_EQ(RegistryWriteNames(), SavedOrder);
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{
                  "Error: unable to open key.  Probably due to security reasons."}));

    emu::Reset();
    EXPECT_EQ(Run({{"failing_writes", {{"ZHigh", ERROR_WRITE_FAULT}}}}), 1);
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Error: Unable to set one or more registry keys."}));
}

TEST_F(CalibrationScenario, FrenchDialog) {
    EXPECT_EQ(Run({}, "-L2"), 1);
    json dialog = Events("dialog").at(0);
    EXPECT_EQ(dialog["caption"], "Vérification de la calibration");
    EXPECT_EQ(dialog["items"]["1009"], "Touchez des points quelconques à travers de l'écran.");
    EXPECT_EQ(dialog["items"]["1010"], "Est-ce que le curseur suit de près votre doigt ?");
    EXPECT_EQ(dialog["items"]["1"], "Yes");
    EXPECT_EQ(dialog["items"]["2"], "No");
}

} // namespace
} // namespace scenario
