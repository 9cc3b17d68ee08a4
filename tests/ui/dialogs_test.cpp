// The CalibTest and ParamError dialogs as the user sees them, and the
// centring of a dialog over the calibration window.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "context/context.h"
#include "emu/machine.h"
#include "emu/trace.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"
#include "support/machine_test.h"
#include "support/popup.h"
#include "ui/dialogs.h"
#include "ui/resource.h"

namespace {

class DialogProcTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        emu::Machine().desktopWidth = 640;
        emu::Machine().desktopHeight = 480;
        ASSERT_NE(test::RegisterTestClass({"Plain"}), 0);
    }

    static HWND Window(int x, int y, int w, int h) {
        return test::OpenPopup("Plain", x, y, w, h, WS_VISIBLE);
    }
    static INT_PTR CalibTest(emu::ActionKind action) {
        Context.CalibrationWindow = Window(0, 0, 640, 480);
        emu::UserScript().push_back({action, 0, 0});
        return DialogBoxParamA(Context.InstanceHandle, "CalibTest", Context.CalibrationWindow,
                               CalibTestProc, 0);
    }
    static INT_PTR ParamError(emu::ActionKind action) {
        emu::UserScript().push_back({action, 0, 0});
        return DialogBoxParamA(Context.InstanceHandle, "ParamError", nullptr, ParamErrorProc, 0);
    }
    static emu::Event LastDialog() { return emu::EventsOf("dialog").back(); }
    static std::string Text(UINT id) {
        char buffer[512] = {};
        LoadStringA(Context.InstanceHandle, id, buffer, sizeof buffer);
        return buffer;
    }
};

TEST_F(DialogProcTest, CalibTestInEnglishCentredOverTheCalibrationWindow) {
    EXPECT_EQ(CalibTest(emu::ActionKind::Yes), IDOK);
    emu::Event dialog = LastDialog();
    EXPECT_EQ(dialog["template"], "CalibTest");
    EXPECT_EQ(dialog["caption"], "Check Calibration");
    EXPECT_EQ(dialog["items"]["1009"], "Touch different areas on the screen.");
    EXPECT_EQ(dialog["items"]["1010"], "Does the cursor jump to your fingertip?");
    EXPECT_EQ(dialog["items"]["1"], "Yes");
    EXPECT_EQ(dialog["items"]["2"], "No");
    // 186 x 71 units make a 285 x 140 window; centred over 640 x 480.
    EXPECT_EQ(dialog["x"], (640 - 285) / 2);
    EXPECT_EQ(dialog["y"], (480 - 140) / 2);
}

TEST_F(DialogProcTest, CalibTestInFrenchKeepsEnglishButtons) {
    Context.LanguageIndex = 2;
    CalibTest(emu::ActionKind::Yes);
    emu::Event dialog = LastDialog();
    EXPECT_EQ(dialog["caption"], "Vérification de la calibration");
    EXPECT_EQ(dialog["items"]["1009"], "Touchez des points quelconques à travers de l'écran.");
    EXPECT_EQ(dialog["items"]["1010"], "Est-ce que le curseur suit de près votre doigt ?");
    EXPECT_EQ(dialog["items"]["1"], "Yes");
    EXPECT_EQ(dialog["items"]["2"], "No");
}

TEST_F(DialogProcTest, LanguageWithoutTablesShowsEnglish) {
    Context.LanguageIndex = 9;
    CalibTest(emu::ActionKind::Yes);
    EXPECT_EQ(LastDialog()["caption"], "Check Calibration");
    EXPECT_EQ(LastDialog()["items"]["1009"], "Touch different areas on the screen.");
}

TEST_F(DialogProcTest, OnlyPlainOkOrCancelCommandsEndTheDialogButAllAreHandled) {
    std::vector<INT_PTR> answers;
    std::vector<bool> stillShown;
    emu::ScreenshotHook() = [&](const std::string&) {
        HWND dialog = emu::VisibleTopLevelWindows().back().hwnd;
        HWND yes = GetDlgItem(dialog, IDOK);
        answers.push_back(
            CalibTestProc(dialog, WM_COMMAND, MAKELONG(IDOK, 1), reinterpret_cast<LPARAM>(yes)));
        answers.push_back(CalibTestProc(dialog, WM_COMMAND, MAKELONG(3, 0), 0));
        answers.push_back(CalibTestProc(dialog, WM_COMMAND, MAKELONG(IDCANCEL, 5), 0));
        stillShown.push_back(emu::ViewOf(dialog)->visible);
        answers.push_back(CalibTestProc(dialog, WM_TIMER, 19, 0));
    };
    // Had any of them ended the dialog, its result would not be the user's Yes.
    EXPECT_EQ(CalibTest(emu::ActionKind::Yes), IDOK);
    EXPECT_EQ(answers, (std::vector<INT_PTR>{TRUE, TRUE, TRUE, FALSE}));
    EXPECT_EQ(stillShown, std::vector<bool>{true});
}

TEST_F(DialogProcTest, ParamErrorInEnglishShowsTheMessageAndBlankHelp) {
    std::snprintf(Context.ParamErrorMessage, sizeof Context.ParamErrorMessage,
                  "Parameter \"-X\" invalid in command line \"-X\"");
    EXPECT_EQ(ParamError(emu::ActionKind::Yes), IDOK);
    emu::Event dialog = LastDialog();
    EXPECT_EQ(dialog["caption"], "Error in command line parameter");
    EXPECT_EQ(dialog["items"]["1000"], "Parameter \"-X\" invalid in command line \"-X\"");
    EXPECT_EQ(dialog["items"]["1001"], "Vintoq32 have no command line parameters.");
    for (int id = 1002; id <= 1014; ++id) {
        EXPECT_EQ(dialog["items"][std::to_string(id)], " ") << id;
    }
    EXPECT_EQ(dialog["items"]["1"], "OK");
    // Not moved: where its template puts it, with no owner.
    EXPECT_EQ(dialog["x"], 0);
    EXPECT_EQ(dialog["y"], 0);
}

TEST_F(DialogProcTest, ParamErrorHelpReadsInIdentifierOrderFromTopToBottom) {
    Context.LanguageIndex = 3;
    std::vector<std::pair<LONG, std::string>> lines;
    emu::ScreenshotHook() = [&](const std::string&) {
        for (const auto& item : emu::ChildrenOf(emu::VisibleTopLevelWindows().back().hwnd)) {
            if (item.id >= IDC_PARAM_HELP_1 && item.id <= IDC_PARAM_EXAMPLE_2) {
                lines.emplace_back(item.rect.top, item.text);
            }
        }
    };
    ParamError(emu::ActionKind::Yes);
    std::sort(lines.begin(), lines.end());
    ASSERT_EQ(lines.size(), 14u);
    for (UINT k = 0; k < 14; ++k) {
        EXPECT_EQ(lines[k].second, Text(3000 + IDS_PARAM_HELP_1 + k)) << k;
    }
    EXPECT_EQ(lines[0].second, "Vintoq32 command line parameters:");
    EXPECT_EQ(lines[10].second, "Examples:");
    EXPECT_EQ(LastDialog()["items"]["1013"], "Examples:");
    EXPECT_EQ(LastDialog()["items"]["1014"], "   1 touchscreen, 1 monitor: VINTOQ32");
}

TEST_F(DialogProcTest, TheFirstButtonHasTheKeyboardFocus) {
    std::vector<bool> focused;
    emu::ScreenshotHook() = [&](const std::string&) {
        HWND dialog = emu::VisibleTopLevelWindows().back().hwnd;
        focused.push_back(emu::FocusWindow() == GetDlgItem(dialog, IDOK));
    };
    CalibTest(emu::ActionKind::No);
    ParamError(emu::ActionKind::Escape);
    EXPECT_EQ(focused, (std::vector<bool>{true, true}));
}

TEST_F(DialogProcTest, ParamErrorEscapeAndCloseGiveTwoWithoutACancelButton) {
    EXPECT_EQ(ParamError(emu::ActionKind::Enter), IDOK);
    EXPECT_EQ(ParamError(emu::ActionKind::Escape), IDCANCEL);
    EXPECT_EQ(ParamError(emu::ActionKind::Close), IDCANCEL);
}

class CenterDialogTest : public DialogProcTest {
  protected:
    static POINT Centre(int refLeft, int refWidth, int refHeight, int width, int height,
                        int refTop = 0) {
        HWND reference = Window(refLeft, refTop, refWidth, refHeight);
        HWND dialog = Window(5, 5, width, height);
        SetWindowPos(reference, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        CenterDialog(reference, dialog);
        RECT r;
        GetWindowRect(dialog, &r);
        EXPECT_EQ(r.right - r.left, width);
        EXPECT_EQ(r.bottom - r.top, height);
        EXPECT_EQ(emu::VisibleTopLevelWindows().back().hwnd, dialog);
        return {r.left, r.top};
    }
};

TEST_F(CenterDialogTest, CentresOverTheReference) {
    POINT p = Centre(0, 640, 480, 300, 120);
    EXPECT_EQ(p.x, 170);
    EXPECT_EQ(p.y, 180);
}

TEST_F(CenterDialogTest, CentresOverAReferenceInTheLowerHalf) {
    HWND reference = Window(0, 240, 640, 240);
    HWND dialog = Window(5, 5, 300, 120);
    CenterDialog(reference, dialog);
    RECT r;
    GetWindowRect(dialog, &r);
    EXPECT_EQ(r.left, 170);
    EXPECT_EQ(r.top, 300);
}

TEST_F(CenterDialogTest, HalvesTheOddDifferenceTowardZero) {
    emu::Machine().desktopWidth = 1024;
    EXPECT_EQ(Centre(0, 641, 480, 300, 120).x, 170);
}

TEST_F(CenterDialogTest, HalvesANegativeOddDifferenceTowardZero) {
    emu::Machine().desktopWidth = 1024;
    emu::Machine().desktopHeight = 768;
    // (300 - 301) / 2 and (120 - 121) / 2 are 0, not -1.
    POINT p = Centre(100, 300, 120, 301, 121, 50);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 50);
    p = Centre(100, 300, 120, 303, 125, 50);
    EXPECT_EQ(p.x, 99);
    EXPECT_EQ(p.y, 48);
}

TEST_F(CenterDialogTest, TheTopIsKeptOnTheDesktop) {
    // Above the desktop: y = -400 + 180, clamped to 0.
    EXPECT_EQ(Centre(0, 640, 480, 300, 120, -400).y, 0);
    // Below it: y = 300 + 180, moved up until the bottom edge is the desktop's.
    EXPECT_EQ(Centre(0, 640, 480, 300, 120, 300).y, 480 - 120);
}

TEST_F(CenterDialogTest, ADialogTallerThanTheDesktopEndsAtItsBottomEdge) {
    // -10, then 0 by the first clamp, then 480 - 500 by the second.
    EXPECT_EQ(Centre(0, 640, 480, 300, 500).y, -20);
}

TEST_F(CenterDialogTest, ADialogWiderThanTheDesktopEndsAtItsRightEdge) {
    // -30, then 0 by the first clamp, then 640 - 700 by the second.
    EXPECT_EQ(Centre(0, 640, 480, 700, 120).x, -60);
}

TEST_F(CenterDialogTest, PositionIsKeptInSixteenBits) {
    // 32760 + 50 does not fit in 16 bits: it wraps below zero and is clamped.
    EXPECT_EQ(Centre(32760, 200, 480, 100, 120).x, 0);
}

TEST_F(CenterDialogTest, AReferenceThatIsGoneCountsAsAnEmptyRectangle) {
    HWND dialog = Window(5, 5, 300, 120);
    CenterDialog(reinterpret_cast<HWND>(0x1234), dialog);
    RECT r;
    GetWindowRect(dialog, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
}

} // namespace
