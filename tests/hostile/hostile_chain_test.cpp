// Screen numbers at and beyond the 16 entries of the range table, and the
// depth of the stack that the chain of nested window creations builds.
#include "hostile/hostile_test.h"

#include "emu/virtual_user.h"
#include "emu/window_manager.h"

#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
#define VINTOQ_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VINTOQ_ADDRESS_SANITIZER 1
#endif
#endif

namespace hostile {
namespace {

using HostileChain = HostileRun;

// The command line admits any screen number from 1 up; beyond the table it is
// a screen that is not installed. Below 1 it is an invalid option.
TEST_F(HostileChain, ScreenOptionsBeyondTheTable) {
    for (const char* option : {"-T17", "-T2147483647"}) {
        EXPECT_EQ(RunFresh({{"registry_text", InstalledScreens(20)}}, option, option), 0);
        EXPECT_EQ(MessageTexts(),
                  (std::vector<std::string>{"You do not have sufficient access "
                                            "right, contact system administrator."}))
            << option;
        EXPECT_TRUE(emu::DriverLog().empty()) << option;
    }
    // The last entry of the table is the last screen that can be chosen.
    EXPECT_EQ(RunFresh({{"registry_text", InstalledScreens(20)}}, "-T16", "-T16"), 1);
    EXPECT_EQ(CalibrationWindows().size(), 1u);
    EXPECT_TRUE(Saved(15, "XLow").has_value());
    EXPECT_EQ(emu::DriverRequestsOf(emu::CodeSetCalibration).at(0).in[6], 15);

    // -2147483648 read as a number is below 1; the option is named whole.
    EXPECT_EQ(RunFresh({}, "-T-2147483648", "-T-2147483648"), 0);
    ASSERT_EQ(Events("dialog").size(), 1u);
    EXPECT_EQ(Events("dialog")[0]["items"]["1000"],
              "Parameter \"-T-2147483648\" invalid in command line \"-T-2147483648\"");
    EXPECT_TRUE(emu::DriverLog().empty());
}

// The chain is a chain of nested window creations: each screen's creation
// handler runs the next screen's whole calibration. The deepest stack of a
// run is reached by the last screen of a chain of 16; it is measured here from
// the CalibTest dialog of each screen, which every screen opens at the same
// depth within its own calibration.
TEST_F(HostileChain, StackDepthOfTheLongestChain) {
    emu::Reset();
    std::vector<std::uintptr_t> dialogDepths;
    emu::ScreenshotHook() = [&dialogDepths](const std::string& what) {
        volatile char marker = 0;
        if (what == "CalibTest") {
            dialogDepths.push_back(reinterpret_cast<std::uintptr_t>(&marker));
        }
    };
    volatile char base = 0;
    EXPECT_EQ(Run({{"registry_text", InstalledScreens(20)}}), 1);
    ASSERT_EQ(dialogDepths.size(), 16u);
    // The stack grows down: each further screen lies deeper by one chain link.
    for (std::size_t screen = 1; screen < dialogDepths.size(); ++screen) {
        EXPECT_LT(dialogDepths[screen], dialogDepths[screen - 1]) << screen;
    }
    const std::uintptr_t perScreen = (dialogDepths.front() - dialogDepths.back()) / 15;
    const std::uintptr_t deepest = reinterpret_cast<std::uintptr_t>(&base) - dialogDepths.back();
    std::printf("stack: %zu bytes per screen of the chain, %zu bytes from the launcher to the "
                "dialog of the 16th screen\n",
                static_cast<std::size_t>(perScreen), static_cast<std::size_t>(deepest));
    RecordProperty("StackBytesPerScreen", static_cast<int>(perScreen));
    RecordProperty("StackBytesDeepest", static_cast<int>(deepest));
    // A Windows thread's stack is 1 MiB unless the program says otherwise; the
    // emulated desktop's frames stand in for user32's. Sanitizers widen every
    // frame, so the bound holds for the plain build.
#ifndef VINTOQ_ADDRESS_SANITIZER
    EXPECT_LT(deepest, 1024u * 1024u);
#endif
}

} // namespace
} // namespace hostile
