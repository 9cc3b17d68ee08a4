// The idle time-out as the user meets it: how long a screen waits, what
// counts towards it, and what is switched off when it falls; and what is read
// afresh for every screen of a chain.
#include "scenario_test.h"

#include "emu/clock.h"
#include "emu/registry.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"

#include <algorithm>
#include <memory>

namespace scenario {
namespace {

// The first target of a window waits half a second after it is drawn before
// the program starts to wait for its touch.
constexpr std::uint32_t FirstTargetDelay = 500;
// Drawing, requests and polls take a few virtual milliseconds of their own; a
// time-out off by one tick is off by a thousand.
constexpr double Slack = 50;

class TimeoutScenario : public ScenarioTest {
  protected:
    // Virtual time at which a wait for a touch began and when the driver was
    // last polled in it.
    struct Wait {
        std::uint32_t start = 0;
        std::uint32_t lastPoll = 0;
        std::uint32_t Length() const { return lastPoll - start; }
    };

    int RunTimed(json machine, const std::string& commandLine) {
        if (!machine.contains("registry_text")) {
            machine["registry_text"] = InstalledScreens(1);
        }
        EXPECT_EQ(emu::ApplyScenario(machine, "."), "");
        auto waits = waits_;
        auto begin = emu::Driver().onBeginTouchWait;
        emu::Driver().onBeginTouchWait = [waits, begin] {
            waits->push_back({emu::Now(), emu::Now()});
            if (begin) {
                begin();
            }
        };
        auto source = emu::Driver().touchSource;
        emu::Driver().touchSource = [waits, source]() -> std::optional<emu::RawTouch> {
            if (!waits->empty()) {
                waits->back().lastPoll = emu::Now();
            }
            return source ? source() : std::nullopt;
        };
        return sim::RunProgram(commandLine);
    }
    const std::vector<Wait>& Waits() const { return *waits_; }

    // The timers set and killed, among the window's creation and destruction
    // and the end of the waits.
    static std::vector<std::string> TimerAndWindowEvents() {
        std::vector<std::string> seen;
        for (const json& event : emu::TraceEvents()) {
            const std::string kind = event.value("ev", "");
            if (kind == "timer") {
                seen.push_back(event.value("op", "") + " " + std::to_string(event.value("id", 0)) +
                               (event.value("ok", false) ? "" : " (none)"));
            } else if (kind == "window" ||
                       (kind == "ioctl" && event.value("name", "") == "EnablePointQueueing")) {
                seen.push_back(event.value("op", event.value("name", "")));
            }
        }
        return seen;
    }

  private:
    std::shared_ptr<std::vector<Wait>> waits_ = std::make_shared<std::vector<Wait>>();
};

// The wait ends on the tick that makes the count reach the time-out, counted
// from the window's creation.
TEST_F(TimeoutScenario, AWaitEndsWhenTheCountReachesTheTimeOut) {
    for (int seconds : {1, 3, 7}) {
        emu::Reset();
        EXPECT_EQ(RunTimed({{"user", {"idle"}}}, "-O" + std::to_string(seconds)), 0) << seconds;
        ASSERT_FALSE(Waits().empty());
        const Wait& wait = Waits().back();
        EXPECT_NEAR(wait.Length() + FirstTargetDelay, seconds * 1000, Slack) << seconds;
    }
}

TEST_F(TimeoutScenario, WithoutTheOptionAScreenWaitsAMinute) {
    EXPECT_EQ(RunTimed({{"user", {"idle"}}}, ""), 0);
    ASSERT_EQ(Waits().size(), 1u);
    EXPECT_NEAR(Waits()[0].Length() + FirstTargetDelay, 60000, Slack);
}

// The dialog counts the same ticks: it goes, with its window, when the count
// reaches the time-out, and the next screen's window follows at once.
TEST_F(TimeoutScenario, TheTimeOutInTheDialogFallsOnTime) {
    EXPECT_EQ(RunTimed({{"registry_text", InstalledScreens(2)},
                        {"user", {"touch", "touch", "touch", "timeout"}}},
                       "-O4"),
              1);
    ASSERT_EQ(Waits().size(), 6u);
    EXPECT_NEAR(Waits()[3].start - Waits()[0].start, 4000, Slack);
    EXPECT_EQ(emu::GetDword(ScreenKey(0), "SwapXY"), 0u);
}

// Touches, the dialog and a refusal do not start the count again: the
// second attempt has what the first left of the five seconds.
TEST_F(TimeoutScenario, TheCountRunsOnAcrossRefusedAttempts) {
    EXPECT_EQ(RunTimed({{"user", {"touch", "touch", "touch", "no", "idle"}}}, "-O5"), 0);
    ASSERT_EQ(Waits().size(), 4u);
    const std::uint32_t sinceCreation = Waits()[3].lastPoll - Waits()[0].start + FirstTargetDelay;
    EXPECT_NEAR(sinceCreation, 5000, Slack);
    EXPECT_EQ(Events("dialog").size(), 1u);
}

// Each screen gets the whole time-out, however much the screen before it used.
TEST_F(TimeoutScenario, TheCountStartsAgainForEveryScreen) {
    EXPECT_EQ(RunTimed({{"registry_text", InstalledScreens(2)},
                        {"user", {"touch", "touch", "touch", "yes", "idle"}}},
                       "-O4"),
              0);
    ASSERT_EQ(Waits().size(), 4u);
    EXPECT_NEAR(Waits()[3].Length() + FirstTargetDelay, 4000, Slack);
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
}

// The time-out inside a wait switches the idle timer off at once; Esc leaves
// it running until the window goes.
TEST_F(TimeoutScenario, TheTimeOutInAWaitKillsTheIdleTimer) {
    EXPECT_EQ(RunTimed({{"user", {"idle"}}}, "-O2"), 0);
    EXPECT_EQ(TimerAndWindowEvents(),
              (std::vector<std::string>{"create", "set 19", "EnablePointQueueing", "kill 19",
                                        "destroy", "kill 19 (none)"}));

    emu::Reset();
    EXPECT_EQ(RunTimed({{"user", {"esc"}}}, "-O2"), 0);
    EXPECT_EQ(TimerAndWindowEvents(),
              (std::vector<std::string>{"create", "set 19", "EnablePointQueueing", "destroy",
                                        "kill 19"}));
}

// The beep settings are read when each screen's calibration starts: a change
// made while the first screen's dialog is open reaches the second screen.
TEST_F(TimeoutScenario, BeepSettingsAreReadForEveryScreen) {
    const std::string classKey = "System\\CurrentControlSet\\Services\\Class\\ZorvaTouchscreen";
    emu::ScreenshotHook() = [&classKey](const std::string& what) {
        if (what == "CalibTest") {
            emu::SetDword(classKey, "BeepFreq", 2000);
            emu::SetDword(classKey, "BeepTime", 70);
        }
    };
    EXPECT_EQ(RunTimed({{"registry_text", InstalledScreens(2)}}, ""), 1);
    std::vector<std::string> beeps;
    for (const emu::DriverRequest& beep : emu::DriverRequestsOf(emu::CodeSetBeep)) {
        beeps.push_back(emu::Hex(beep.in.data() + 8, 6));
    }
    // Flag, frequency, duration: 1000 Hz and 32 ms on the first screen.
    EXPECT_EQ(beeps, (std::vector<std::string>{"0000e8032000", "0100e8032000", "0000d0074600",
                                               "0100d0074600"}));
}

} // namespace
} // namespace scenario
