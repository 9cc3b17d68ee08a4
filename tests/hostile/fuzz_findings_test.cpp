// Inputs that the whole-run fuzzer found, kept as the stories they tell.
#include "hostile/hostile_test.h"

namespace hostile {
namespace {

using FuzzFindings = HostileRun;

// A Win32s machine with one screen whose stored ranges are the given dwords.
std::string OneWin32sScreen(const std::string& xLow, const std::string& xHigh,
                            const std::string& yLow, const std::string& yHigh) {
    return "REGEDIT4\r\n\r\n[" + std::string(scenario::ServiceKey) +
           "]\r\n\"NumberOfScreens\"=dword:00000001\r\n\r\n[" + ScreenKey(0, false) +
           "]\r\n\"XlateXLow\"=dword:" + xLow + "\r\n\"XlateXHigh\"=dword:" + xHigh +
           "\r\n\"XlateYLow\"=dword:" + yLow + "\r\n\"XlateYHigh\"=dword:" + yHigh + "\r\n";
}

// Win32s multiplies the raw ranges by the desktop size: a stored Y range of
// 0 to 0x1FFFFF makes a window 1024 x 1610612736 pixels, whose lower targets
// lie far below the desktop, near the end of the 32-bit range. The emulated
// GDI once added the two edges of such a target's box in 32 bits.
TEST_F(FuzzFindings, TargetsNearTheEndOfTheCoordinateRange) {
    const std::string registry = OneWin32sScreen("00000000", "00000000", "00000000", "001fffff");
    // The user's finger misses the second target by far more than the range
    // has left: it lands on the last pixel the range holds.
    json user = json::array({json{{"touch", {0, 0}}}, json{{"touch", {0, 800000000}}}, "touch"});
    EXPECT_EQ(RunFresh({{"platform", "win32s"}, {"registry_text", registry}, {"user", user}}, "",
                       "far targets"),
              1);
    EXPECT_EQ(CalibrationWindows(), (std::vector<std::string>{"1024 x 1610612736"}));
    std::vector<json> touches = Events("touch");
    ASSERT_EQ(touches.size(), 3u);
    EXPECT_EQ(touches[0]["x"], 128);
    EXPECT_EQ(touches[0]["y"], 1610612736 / 8);
    EXPECT_EQ(touches[1]["x"], 896);
    EXPECT_EQ(touches[1]["y"], 2147483647);
    EXPECT_EQ(touches[2]["y"], 1610612736 / 8);
    EXPECT_TRUE(Events("error").empty());
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
}

// A window whose right edge lies beyond the 32-bit range: Win32s places it at
// x = 0x180000 x 1024 = 1610612736 with as many pixels of width. Its target
// positions wrap in the calibration arithmetic, the client position of the
// right-hand targets was once taken in overflowing arithmetic, and so were
// the window's right edge and the drawing origin in the emulated desktop.
// The window lies off the desktop: the touches come from the driver.
TEST_F(FuzzFindings, WindowBeyondTheEndOfTheCoordinateRange) {
    const std::string registry = OneWin32sScreen("00180000", "002fffff", "00000000", "00000000");
    EXPECT_EQ(RunFresh({{"platform", "win32s"},
                        {"registry_text", registry},
                        {"driver", {{"touches", PlainTouches}}}},
                       "", "window beyond the range"),
              1);
    json create = Events("window").at(0);
    EXPECT_EQ(create["x"], 1610612736);
    EXPECT_EQ(create["w"], 2147483647 - 1610612736); // the right edge ends with the range
    EXPECT_EQ(create["h"], 768);
    EXPECT_EQ(Saved(0, "XLow", false), 120u);
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
}

// Win32s on a desktop 650 pixels wide and a stored X range of 0 to 0x32698C:
// the window is 2^31 + 2 pixels wide, which the program's 32-bit WindowWidth
// holds as -2147483646. The instruction panel is then centred near
// x = -2^30, and the emulated DrawTextA once centred its rows in overflowing
// arithmetic.
TEST_F(FuzzFindings, WindowWiderThanTheCoordinateRange) {
    const std::string registry = OneWin32sScreen("00000000", "0032698c", "00000000", "00000000");
    EXPECT_EQ(RunFresh({{"platform", "win32s"},
                        {"desktop", {650, 480}},
                        {"registry_text", registry},
                        {"driver", {{"touches", PlainTouches}}}},
                       "", "window wider than the range"),
              1);
    EXPECT_EQ(Events("window").at(0)["w"], -2147483646);
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
}

// Win32s on a 1 x 1 desktop multiplies the raw ranges by 1: a stored Y range
// from 0x80000000 puts the calibration window's top at -2^31. The CalibTest
// dialog is placed relative to its owner's client area first, which the
// emulated dialog manager once added up in 32 bits. Centred over the window
// and then moved onto the desktop, the dialog (285 x 140 pixels) ends with
// its right and bottom edges on the desktop's.
TEST_F(FuzzFindings, DialogOwnedByAWindowAtTheStartOfTheRange) {
    const std::string registry = OneWin32sScreen("00000000", "000003ff", "80000000", "800002ff");
    EXPECT_EQ(RunFresh({{"platform", "win32s"},
                        {"desktop", {1, 1}},
                        {"registry_text", registry},
                        {"driver", {{"touches", PlainTouches}}}},
                       "", "owner at the start of the range"),
              1);
    json create = Events("window").at(0);
    EXPECT_EQ(create["y"], -2147483647 - 1);
    EXPECT_EQ(create["h"], 768);
    ASSERT_EQ(Events("dialog").size(), 1u);
    EXPECT_EQ(Events("dialog")[0]["x"], 1 - 285);
    EXPECT_EQ(Events("dialog")[0]["y"], 1 - 140);
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
}

// The same window top on a desktop of 1024 x 768 (0x800000 x 768 wraps to
// -2^31): the CalibTest dialog now lands on the desktop at y >= 0, and when it
// closes, the window below it has that area to repaint. The emulated window
// manager once took the area into the window's client coordinates in 32 bits.
TEST_F(FuzzFindings, DialogClosingOverAWindowAtTheStartOfTheRange) {
    const std::string registry = OneWin32sScreen("00000000", "00000000", "00800000", "00800000");
    EXPECT_EQ(RunFresh({{"platform", "win32s"},
                        {"registry_text", registry},
                        {"driver", {{"touches", PlainTouches}}}},
                       "", "dialog over a window at the start of the range"),
              1);
    json create = Events("window").at(0);
    EXPECT_EQ(create["y"], -2147483647 - 1);
    ASSERT_EQ(Events("dialog").size(), 1u);
    EXPECT_GE(Events("dialog")[0]["y"], 0);
    EXPECT_TRUE(Events("error").empty());
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
}

} // namespace
} // namespace hostile
