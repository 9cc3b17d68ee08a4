// What the user sees on the calibration window while targets wait, and what
// the waits let through.
#include "scenario_test.h"

#include "calibration/drawing.h"
#include "context/context.h"
#include "emu/faults.h"
#include "emu/gdi.h"
#include "emu/touchscreen.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"
#include "support/popup.h"

#include <functional>

namespace scenario {
namespace {

constexpr std::uint32_t Grey = emu::RgbOf(RGB(192, 192, 192));
constexpr std::uint32_t Black = emu::RgbOf(RGB(0, 0, 0));

using Block = std::vector<std::uint32_t>;

// The 50 x 50 block a target's background store keeps, in desktop pixels.
Block BlockAround(POINT centre) {
    Block pixels;
    for (int y = centre.y - 25; y < centre.y + 25; ++y) {
        for (int x = centre.x - 25; x < centre.x + 25; ++x) {
            pixels.push_back(emu::DesktopPixel(x, y));
        }
    }
    return pixels;
}

class ScreenScenario : public ScenarioTest {
  protected:
    // Runs something at each wait for a touch, after the program's own hook.
    void AtEachWait(std::function<void(int)> look) {
        auto previous = emu::Driver().onBeginTouchWait;
        auto count = std::make_shared<int>(0);
        emu::Driver().onBeginTouchWait = [previous, look, count] {
            if (previous) {
                previous();
            }
            look(++*count);
        };
    }
    int RunWithLook(json machine, const std::string& commandLine, std::function<void(int)> look) {
        if (!machine.contains("registry_text")) {
            machine["registry_text"] = InstalledScreens(1);
        }
        EXPECT_EQ(emu::ApplyScenario(machine, "."), "");
        AtEachWait(std::move(look));
        return sim::RunProgram(commandLine);
    }
};

TEST_F(ScreenScenario, EscOnTargetTwoLeavesTargetOneRestoredAndTargetTwoShown) {
    Block atTargetOne;
    Block atTargetTwo;
    RunWithLook({{"user", {json{{"touch", {0, 0}}}, "esc"}}}, "", [&](int wait) {
        if (wait == 2) {
            atTargetOne = BlockAround({128, 96});
            atTargetTwo = BlockAround({896, 672});
        }
    });
    // The targets of the 1024 x 768 desktop, (1024 / 8, 768 / 8) and 7 times
    // that; the blocks around them 50 x 50 = 2500 pixels.
    EXPECT_EQ(atTargetOne, Block(2500, Grey));
    ASSERT_EQ(atTargetTwo.size(), 2500u);
    EXPECT_EQ(atTargetTwo[25 * 50 + 25], Black); // the cross hair's centre
    EXPECT_NE(atTargetTwo, Block(2500, Grey));
}

TEST_F(ScreenScenario, TargetOverThePanelGivesThePanelBack) {
    // On a 160 x 160 desktop the first target's block reaches into the panel.
    Block panelOnly;
    {
        emu::Reset();
        emu::Machine().desktopWidth = 160;
        emu::Machine().desktopHeight = 160;
        test::RegisterTestClass({"Reference", DefWindowProcA, test::LightGreyBrush()});
        Context = CalibrationContext{};
        Context.InstanceHandle = emu::ProgramInstance();
        Context.WindowWidth = 160;
        Context.WindowHeight = 160;
        Context.CalibrationWindow = test::OpenPopup("Reference", 0, 0, 160, 160);
        ShowWindow(Context.CalibrationWindow, SW_SHOW);
        UpdateWindow(Context.CalibrationWindow);
        HDC dc = GetDC(Context.CalibrationWindow);
        DrawInstructionPanel(dc);
        panelOnly = BlockAround({20, 20});
        ReleaseDC(Context.CalibrationWindow, dc);
        emu::Reset();
    }
    Block restored;
    RunWithLook({{"desktop", {160, 160}}}, "", [&](int wait) {
        if (wait == 2) {
            restored = BlockAround({20, 20});
        }
    });
    EXPECT_NE(panelOnly, Block(2500, Grey));
    EXPECT_EQ(restored, panelOnly);
}

TEST_F(ScreenScenario, WithoutABackgroundStoreTheTargetsStay) {
    std::vector<std::uint32_t> centres;
    emu::FailCreateCompatibleBitmap(1);
    RunWithLook({}, "", [&](int wait) {
        if (wait == 3) {
            for (POINT target : {POINT{128, 96}, POINT{896, 672}, POINT{896, 96}}) {
                centres.push_back(emu::DesktopPixel(target.x, target.y));
            }
        }
    });
    EXPECT_EQ(centres, std::vector<std::uint32_t>(3, Black));
}

TEST_F(ScreenScenario, RefusedAttemptErasesTheWindow) {
    // Without a store the three targets of the first attempt stay drawn, until
    // the No erases the window; the second attempt starts on a clean window.
    std::vector<std::uint32_t> atSecondAttempt;
    emu::FailCreateCompatibleBitmap(1);
    RunWithLook({{"user", {"touch", "touch", "touch", "no"}}}, "", [&](int wait) {
        if (wait == 4) {
            for (POINT target : {POINT{128, 96}, POINT{896, 672}, POINT{896, 96}}) {
                atSecondAttempt.push_back(emu::DesktopPixel(target.x, target.y));
            }
        }
    });
    EXPECT_EQ(atSecondAttempt, (std::vector<std::uint32_t>{Black, Grey, Grey}));
}

TEST_F(ScenarioTest, StoreThatCannotBeMadeStillCalibrates) {
    emu::FailCreateCompatibleDC(1);
    EXPECT_EQ(Run({}), 1);
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
    EXPECT_EQ(emu::LiveGdiObjects(), 0);

    emu::Reset();
    emu::FailCreateCompatibleBitmap(1);
    EXPECT_EQ(Run({}), 1);
    EXPECT_EQ(emu::LiveGdiObjects(), 0);
    EXPECT_EQ(emu::LiveDCs(), 0);
}

TEST_F(ScreenScenario, EveryTargetIsTakenAwayBeforeTheDialogAsks) {
    std::vector<Block> atDialog;
    emu::ScreenshotHook() = [&](const std::string& what) {
        if (what == "CalibTest") {
            for (POINT target : {POINT{128, 96}, POINT{896, 672}, POINT{896, 96}}) {
                atDialog.push_back(BlockAround(target));
            }
        }
    };
    EXPECT_EQ(Run({}), 1);
    EXPECT_EQ(atDialog, std::vector<Block>(3, Block(2500, Grey)));
}

TEST_F(ScreenScenario, OtherKeysCharactersAndMouseMessagesAreDropped) {
    int code = RunWithLook({}, "", [](int wait) {
        if (wait == 1) {
            HWND window = emu::FocusWindow();
            PostMessageA(window, WM_KEYDOWN, 'A', 0);
            PostMessageA(window, WM_CHAR, VK_ESCAPE, 0);
            PostMessageA(window, WM_KEYUP, VK_ESCAPE, 0);
            PostMessageA(window, WM_LBUTTONDOWN, 0, MAKELONG(128, 96));
            PostMessageA(window, WM_MOUSEMOVE, 0, MAKELONG(10, 10));
        }
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(emu::DriverRequestsOf(emu::CodeEnablePointQueueing).size(), 1u);
    EXPECT_EQ(RegistryWriteNames().size(), 13u);
}

TEST_F(ScreenScenario, CursorIsHiddenWhileTargetsWaitAndShownForTheDialog) {
    std::vector<int> counts;
    RunWithLook({{"user", {"touch", "touch", "touch", "no"}}}, "",
                [&](int) { counts.push_back(emu::CursorDisplayCount()); });
    EXPECT_EQ(counts, std::vector<int>(6, -1));
    EXPECT_EQ(emu::CursorDisplayCount(), 0);
}

} // namespace
} // namespace scenario
