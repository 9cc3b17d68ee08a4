// What differs between the Win32 platforms the program runs on.
#include "scenario_test.h"

namespace scenario {
namespace {

using PlatformScenario = ScenarioTest;

// Win32s has neither RegisterClassExA nor DrawEdge; the program must not need
// them. (Its real registry has no HKEY_LOCAL_MACHINE; the emulated one does,
// so that the whole run can be followed.) Win32s scales the stored ranges by
// 1: ranges of 0 give a window over the whole desktop.
TEST_F(PlatformScenario, Win32sCalibratesWithoutTheNewerUser32Functions) {
    const std::string registry = "REGEDIT4\r\n\r\n[" + std::string(ServiceKey) +
                                 "]\r\n\"NumberOfScreens\"=dword:00000001\r\n\r\n[" +
                                 ScreenKey(0, false) + "]\r\n\"XlateXHigh\"=dword:00000000\r\n";
    EXPECT_EQ(Run({{"platform", "win32s"}, {"registry_text", registry}}), 1);
    std::vector<json> windows = Events("window");
    ASSERT_FALSE(windows.empty());
    EXPECT_EQ(windows[0]["class"], "Calibrate");
    EXPECT_EQ(windows[0]["w"], 1024);
    EXPECT_EQ(windows[0]["h"], 768);
    EXPECT_TRUE(MessageTexts().empty());
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
}

} // namespace
} // namespace scenario
