// A driver that misbehaves: requests that fail, polls that never report a
// touch or are not answered at all, replies with garbage in every word. The
// program relies only on what it documents: the reply's first word of
// GetDriverInfo, TouchFlag, RawX and RawY, and the results of
// EnablePointQueueing and SetCalibration.
#include "hostile/hostile_test.h"

#include "emu/clock.h"
#include "emu/window_manager.h"

namespace hostile {
namespace {

using HostileDriver = HostileRun;

std::uint16_t WordAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

const std::vector<std::string> SavedNames = {
    "SwapXY",    "XLow",       "XHigh",     "YLow",       "YHigh",     "ZLow",      "ZHigh",
    "XlateXLow", "XlateXHigh", "XlateYLow", "XlateYHigh", "XlateZLow", "XlateZHigh"};

TEST_F(HostileDriver, EverySevenRequestsFailing) {
    json all = {"SetCalibration", "DisablePointQueueing", "EnablePointQueueing", "GetRawTouch",
                "SetBeep",        "GetDriverInfo",        "BeginTouchWait"};
    EXPECT_EQ(RunFresh({{"driver", {{"fail", all}, {"touches", PlainTouches}}}}, "-O2", "all"), 0);
    // Start-up passes on the version word it sent; no poll carries a touch,
    // and the time-out's EnablePointQueueing is the first result examined.
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Enable point queueing function to Windows failed.",
                                        "IoctlResult = 0:\n"}));
    EXPECT_TRUE(Events("beep").empty());
    EXPECT_TRUE(emu::DriverRequestsOf(emu::CodeSetCalibration).empty());
    EXPECT_TRUE(Events("dialog").empty());
    EXPECT_TRUE(RegistryWriteNames().empty());
}

// When a wait is abandoned, EnablePointQueueing is tested too; its failure is
// reported and the screen ends as it would have anyway.
TEST_F(HostileDriver, QueueingCannotBeRestoredAfterAnAbandonedWait) {
    for (const char* action : {"esc", "idle"}) {
        EXPECT_EQ(RunFresh({{"driver", {{"fail", {"EnablePointQueueing"}}}}, {"user", {action}}},
                           "-O2", action),
                  0)
            << action;
        EXPECT_EQ(MessageTexts(),
                  (std::vector<std::string>{"Enable point queueing function to Windows failed.",
                                            "IoctlResult = 0:\n"}))
            << action;
        EXPECT_EQ(Requests(), (std::vector<std::string>{"GetDriverInfo", "DisablePointQueueing",
                                                        "BeginTouchWait", "EnablePointQueueing"}))
            << action;
        EXPECT_TRUE(RegistryWriteNames().empty()) << action;
    }
}

// A driver whose polls never report a touch, answering with coordinates but
// no TouchFlag or failing without a reply: only Esc and the time-out end the
// wait.
TEST_F(HostileDriver, NoTouchEver) {
    std::vector<std::uint8_t> quiet(18, 0);
    quiet[12] = 0x34; // RawX and RawY without TouchFlag
    quiet[14] = 0x78;
    const json drivers[] = {{{"replies", {{"GetRawTouch", quiet}}}},
                            {{"fail", {"GetRawTouch"}}, {"touches", PlainTouches}}};
    for (const json& driver : drivers) {
        for (const char* action : {"touch", "idle"}) {
            const std::string label = driver.dump() + ", " + action;
            EXPECT_EQ(RunFresh({{"driver", driver}, {"user", {action}}}, "-O3", label), 0);
            EXPECT_TRUE(Events("beep").empty()) << label; // no touch was taken
            EXPECT_EQ(Requests(),
                      (std::vector<std::string>{"GetDriverInfo", "DisablePointQueueing",
                                                "BeginTouchWait", "EnablePointQueueing"}))
                << label;
            // Three seconds of polling, one poll after the other.
            EXPECT_GE(emu::Now() - emu::DefaultClockStart, 3000u) << label;
            EXPECT_GT(emu::DriverRequestsOf(emu::CodeGetRawTouch).size(), 1000u) << label;
        }
        EXPECT_EQ(RunFresh({{"driver", driver}, {"user", {"esc"}}}, "-O3", "esc"), 0);
        EXPECT_LT(emu::Now() - emu::DefaultClockStart, 3000u);
        EXPECT_EQ(Events("key").size(), 1u);
    }
}

// A poll the driver does not answer leaves the reply buffer as the program
// prepared it: no touch, never the touch before it again.
TEST_F(HostileDriver, UnansweredPollsAreNoTouch) {
    emu::Reset();
    ASSERT_EQ(emu::ApplyScenario({{"registry_text", InstalledScreens(1)}}, VINTOQ_SOURCE_DIR), "");
    // From the second wait on, the driver stops answering polls; the user
    // goes on touching.
    int waits = 0;
    std::function<void()> begin = emu::Driver().onBeginTouchWait;
    emu::Driver().onBeginTouchWait = [&waits, begin] {
        if (++waits == 2) {
            emu::Driver().unwritten.insert(emu::CodeGetRawTouch);
        }
        begin();
    };
    EXPECT_EQ(sim::RunProgram("-O3"), 0);
    EXPECT_EQ(waits, 2);
    EXPECT_EQ(Events("beep").size(), 1u); // the first touch only
    EXPECT_TRUE(emu::DriverRequestsOf(emu::CodeSetCalibration).empty());
    EXPECT_EQ(Requests().back(), "EnablePointQueueing");
    EXPECT_EQ(emu::OpenKeyHandles(), 0);
    EXPECT_EQ(emu::LiveWindowCount(), 0);
}

// Garbage in every word of every reply but the version: the touches are what
// the garbage spells, zero-extended, and what gets saved is the driver's
// SetCalibration reply, word for word.
TEST_F(HostileDriver, GarbageInEveryWord) {
    for (std::uint8_t garbage : {std::uint8_t{0xA5}, std::uint8_t{0xFF}}) {
        const std::vector<std::uint8_t> reply(56, garbage);
        const std::uint16_t word = static_cast<std::uint16_t>(garbage * 0x101);
        std::vector<std::uint8_t> version = reply;
        version[0] = 4;
        version[1] = 0;
        json replies = json::object();
        for (const char* name : {"SetCalibration", "DisablePointQueueing", "EnablePointQueueing",
                                 "GetRawTouch", "SetBeep", "BeginTouchWait"}) {
            replies[name] = reply;
        }
        replies["GetDriverInfo"] = version;
        const std::string label = "garbage " + std::to_string(garbage);
        EXPECT_EQ(RunFresh({{"driver", {{"replies", replies}}}}, "", label), 1) << label;

        // Three identical touches at (word, word): no scale, so the edges
        // are the touches themselves, well above 1.
        std::vector<emu::DriverRequest> sets = emu::DriverRequestsOf(emu::CodeSetCalibration);
        ASSERT_EQ(sets.size(), 1u) << label;
        for (std::size_t offset : {8u, 10u, 12u, 14u}) {
            EXPECT_EQ(WordAt(sets[0].in, offset), word) << label << " at " << offset;
        }
        EXPECT_EQ(WordAt(sets[0].in, 20), 0) << label; // a tie is no swap
        for (const std::string& name : SavedNames) {
            EXPECT_EQ(Saved(0, name), word) << label << " " << name;
        }
        // SetBeep's reply stays in the record: the second beep request
        // carries the garbage frequency and duration, with its own flag.
        std::vector<emu::DriverRequest> beeps = emu::DriverRequestsOf(emu::CodeSetBeep);
        ASSERT_EQ(beeps.size(), 2u) << label;
        EXPECT_EQ(emu::Hex(beeps[1].in.data(), 8), "0400040000000000") << label;
        EXPECT_EQ(WordAt(beeps[1].in, 8), 1) << label;
        EXPECT_EQ(WordAt(beeps[1].in, 10), word) << label;
        EXPECT_EQ(WordAt(beeps[1].in, 12), word) << label;
    }
}

} // namespace
} // namespace hostile
