// Modal dialogs and message boxes of the emulated desktop: templates to
// windows, the dialog manager's keyboard and close handling, the virtual
// user's answers and the modal loop that keeps other windows running.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "emu/clock.h"
#include "emu/machine.h"
#include "emu/trace.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"
#include "support/popup.h"

namespace {

struct Command {
    WPARAM wParam;
    int controlId; // of the window in lParam
};

std::vector<Command> commands;
std::vector<UINT> dialogMessages;
HWND initFocus = nullptr;
INT_PTR endInInit = 0; // non-zero: EndDialog from WM_INITDIALOG with this result

INT_PTR CALLBACK QuestionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    dialogMessages.push_back(message);
    if (message == WM_INITDIALOG) {
        initFocus = reinterpret_cast<HWND>(wParam);
        if (endInInit != 0) {
            EndDialog(dialog, endInInit);
        }
        return TRUE;
    }
    if (message == WM_COMMAND) {
        commands.push_back({wParam, GetDlgCtrlID(reinterpret_cast<HWND>(lParam))});
        if ((LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) && HIWORD(wParam) == 0) {
            EndDialog(dialog, LOWORD(wParam));
        }
        return TRUE;
    }
    return FALSE;
}

emu::DialogTemplate Question() {
    emu::DialogTemplate t;
    t.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.cx = 186;
    t.cy = 71;
    t.caption = "Question";
    t.pointSize = 8;
    t.faceName = "MS Sans Serif";
    t.items = {
        {WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 29, 50, 50, 14, IDOK, "BUTTON",
         "Yes"},
        {WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP, 0, 104, 50, 50, 14, IDCANCEL, "BUTTON",
         "No"},
        {WS_CHILD | WS_VISIBLE | SS_CENTER | WS_GROUP, 0, 7, 14, 172, 8, 1009, "STATIC",
         "Caf\xE9?"},
    };
    return t;
}

// The owner: a popup whose timer handler counts ticks and, at a limit,
// destroys the window, as the calibration window does at its time-out.
int ticks = 0;
int tickLimit = 0;
LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        ++ticks;
        if (tickLimit != 0 && ticks >= tickLimit) {
            DestroyWindow(hwnd);
        }
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class DialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        emu::Reset();
        commands.clear();
        dialogMessages.clear();
        initFocus = nullptr;
        endInInit = 0;
        ticks = 0;
        tickLimit = 0;
        ASSERT_NE(test::RegisterTestClass({"Owner", OwnerProc}), 0);
    }

    static HWND Owner(UINT timerPeriod = 0) {
        HWND owner = test::OpenPopup("Owner", 100, 50, 640, 480, WS_VISIBLE);
        if (timerPeriod != 0) {
            SetTimer(owner, 19, timerPeriod, nullptr);
        }
        return owner;
    }
    static INT_PTR Ask(HWND owner, emu::ActionKind action) {
        emu::UserScript().push_back({action, 0, 0});
        return emu::DialogBoxFromTemplate(emu::ProgramInstance(), Question(), "Question", owner,
                                          QuestionProc, 0);
    }
};

struct ActionCase {
    emu::ActionKind action;
    INT_PTR result;
    int key; // 0: no key press
};

class DialogActionTest : public DialogsTest, public ::testing::WithParamInterface<ActionCase> {};

TEST_P(DialogActionTest, EachAnswerEndsTheDialogAsTheDialogManagerWould) {
    const ActionCase c = GetParam();
    HWND owner = Owner();
    EXPECT_EQ(Ask(owner, c.action), c.result);

    ASSERT_FALSE(commands.empty());
    const Command& last = commands.back();
    EXPECT_EQ(LOWORD(last.wParam), c.result);
    EXPECT_EQ(HIWORD(last.wParam), 0);
    // The command names the button that stands for it.
    EXPECT_EQ(last.controlId, c.result);

    auto events = emu::EventsOf("dialog");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]["template"], "Question");
    EXPECT_EQ(events[0]["action"], emu::ActionName(c.action));
    EXPECT_EQ(events[0]["result"], c.result);
    auto keys = emu::EventsOf("key");
    if (c.key != 0) {
        ASSERT_EQ(keys.size(), 1u);
        EXPECT_EQ(keys[0]["vk"], c.key);
    } else {
        EXPECT_TRUE(keys.empty());
    }
    // The owner is back and takes input again.
    EXPECT_TRUE(IsWindow(owner));
    EXPECT_EQ(emu::ViewOf(owner)->style & WS_DISABLED, 0u);
    EXPECT_EQ(emu::FocusWindow(), owner);
    EXPECT_EQ(emu::LiveWindowCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Actions, DialogActionTest,
                         ::testing::Values(ActionCase{emu::ActionKind::Yes, IDOK, 0},
                                           ActionCase{emu::ActionKind::No, IDCANCEL, 0},
                                           ActionCase{emu::ActionKind::Enter, IDOK, VK_RETURN},
                                           ActionCase{emu::ActionKind::Escape, IDCANCEL, VK_ESCAPE},
                                           ActionCase{emu::ActionKind::Close, IDCANCEL, 0}),
                         [](const ::testing::TestParamInfo<ActionCase>& info) {
                             return emu::ActionName(info.param.action);
                         });

TEST_F(DialogsTest, CloseBoxGoesThroughSysCommandAndClose) {
    Ask(Owner(), emu::ActionKind::Close);
    auto at = [](UINT m) {
        return std::find(dialogMessages.begin(), dialogMessages.end(), m) - dialogMessages.begin();
    };
    EXPECT_LT(at(WM_SYSCOMMAND), at(WM_CLOSE));
    EXPECT_LT(at(WM_CLOSE), at(WM_COMMAND));
}

TEST_F(DialogsTest, TemplateUnitsBecomePixelsOfTheClientAreaOverTheOwner) {
    HWND owner = Owner();
    std::vector<emu::WindowView> shown;
    std::vector<emu::WindowView> controls;
    std::string what;
    emu::ScreenshotHook() = [&](const std::string& name) {
        what = name;
        shown = emu::VisibleTopLevelWindows();
        controls = emu::ChildrenOf(shown.back().hwnd);
    };
    Ask(owner, emu::ActionKind::Yes);

    EXPECT_EQ(what, "Question");
    ASSERT_EQ(shown.size(), 2u);
    const emu::WindowView& dialog = shown.back();
    EXPECT_EQ(dialog.kind, emu::WindowKind::Dialog);
    EXPECT_EQ(dialog.text, "Question");
    EXPECT_EQ(dialog.owner, owner);
    // 186 x 71 units at 6 x 13 pixels per 4 x 8 units: a 279 x 115 client
    // area, framed by 3 pixels and a 19-pixel caption, placed at the owner's
    // client origin.
    EXPECT_EQ(dialog.rect.left, 100 - 3);
    EXPECT_EQ(dialog.rect.top, 50 - 3 - 19);
    EXPECT_EQ(dialog.rect.right - dialog.rect.left, 279 + 6);
    EXPECT_EQ(dialog.rect.bottom - dialog.rect.top, 115 + 6 + 19);

    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(controls[0].id, IDOK);
    EXPECT_EQ(controls[0].className, "BUTTON");
    EXPECT_EQ(controls[0].rect.left, 100 + 44); // 29 units, rounded as MulDiv does
    EXPECT_EQ(controls[0].rect.top, 50 + 81);
    EXPECT_EQ(controls[0].rect.right - controls[0].rect.left, 75);
    EXPECT_EQ(controls[0].rect.bottom - controls[0].rect.top, 23);
    EXPECT_EQ(controls[2].text, "Caf\xE9?");
    EXPECT_EQ(controls[2].kind, emu::WindowKind::Control);

    auto event = emu::EventsOf("dialog").at(0);
    EXPECT_EQ(event["caption"], "Question");
    EXPECT_EQ(event["items"]["1009"], "Caf\u00e9?");
    EXPECT_EQ(event["items"]["1"], "Yes");
    EXPECT_EQ(event["x"], 97);
    EXPECT_EQ(event["y"], 28);
}

TEST_F(DialogsTest, InitDialogOffersTheFirstTabStopAndTrueGivesItTheFocus) {
    HWND focusWhenShown = nullptr;
    HWND yes = nullptr;
    emu::ScreenshotHook() = [&](const std::string&) {
        focusWhenShown = emu::FocusWindow();
        yes = GetDlgItem(emu::VisibleTopLevelWindows().back().hwnd, IDOK);
        // Shown and painted before the user looks.
        EXPECT_FALSE(emu::TakeUpdateRegion(emu::VisibleTopLevelWindows().back().hwnd));
    };
    Ask(Owner(), emu::ActionKind::Yes);
    EXPECT_NE(yes, nullptr);
    EXPECT_EQ(initFocus, yes);
    EXPECT_EQ(focusWhenShown, yes);
    EXPECT_EQ(GetDlgCtrlID(yes), 0); // gone with the dialog
}

TEST_F(DialogsTest, EndDialogDuringInitDialogNeverShowsIt) {
    endInInit = 7;
    int shots = 0;
    emu::ScreenshotHook() = [&](const std::string&) { ++shots; };
    EXPECT_EQ(Ask(Owner(), emu::ActionKind::No), 7);
    EXPECT_EQ(shots, 0);
    EXPECT_EQ(emu::EventsOf("dialog").at(0)["action"], "none");
    // The user's answer is left for the next dialog.
    ASSERT_EQ(emu::UserScript().size(), 1u);
}

TEST_F(DialogsTest, OwnerTimerRunsWhileTheDialogIsOpen) {
    HWND owner = Owner(100);
    EXPECT_EQ(Ask(owner, emu::ActionKind::Yes), IDOK);
    // Ticks of the owner's timer went on during the user's think time.
    EXPECT_GE(ticks, static_cast<int>(emu::DialogThinkTime / 100) - 1);
    EXPECT_TRUE(IsWindow(owner));
}

TEST_F(DialogsTest, OwnerDestroyedByItsTimerEndsTheDialogWithZero) {
    tickLimit = 3;
    HWND owner = Owner(1000);
    std::uint32_t start = emu::Now();
    EXPECT_EQ(Ask(owner, emu::ActionKind::Timeout), 0);
    EXPECT_FALSE(IsWindow(owner));
    EXPECT_EQ(emu::LiveWindowCount(), 0);
    EXPECT_GE(emu::Now() - start, 3000u);
    EXPECT_LT(emu::Now() - start, 3100u);
    auto event = emu::EventsOf("dialog").at(0);
    EXPECT_EQ(event["action"], "timeout");
    EXPECT_EQ(event["result"], 0);
    EXPECT_TRUE(emu::EventsOf("error").empty());
}

TEST_F(DialogsTest, ADialogNobodyEndsIsClosedAfterAnHourWithAnError) {
    std::uint32_t start = emu::Now();
    EXPECT_EQ(Ask(Owner(), emu::ActionKind::Timeout), 0);
    EXPECT_GE(emu::Now() - start, emu::ModalWaitLimit);
    EXPECT_EQ(emu::EventsOf("error").size(), 1u);
    EXPECT_EQ(emu::LiveWindowCount(), 1); // the owner
}

TEST_F(DialogsTest, MissingTemplateOrOwnerFails) {
    EXPECT_EQ(DialogBoxParamA(emu::ProgramInstance(), "NoSuchDialog", nullptr, QuestionProc, 0),
              -1);
    HWND gone = Owner();
    DestroyWindow(gone);
    EXPECT_EQ(DialogBoxParamA(emu::ProgramInstance(), "CalibTest", gone, QuestionProc, 0), 0);
    EXPECT_TRUE(dialogMessages.empty());
}

TEST_F(DialogsTest, MessageBoxIsShownAnsweredAndRecorded) {
    std::vector<emu::WindowView> shown;
    std::vector<emu::WindowView> parts;
    std::string what;
    emu::ScreenshotHook() = [&](const std::string& name) {
        what = name;
        shown = emu::VisibleTopLevelWindows();
        parts = emu::ChildrenOf(shown.back().hwnd);
    };
    EXPECT_EQ(MessageBoxA(nullptr, "Could not set a timer!", "", MB_ICONWARNING), IDOK);
    EXPECT_EQ(what, "MessageBox");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, emu::WindowKind::MessageBox);
    EXPECT_EQ(shown[0].text, "");
    EXPECT_EQ(shown[0].messageBoxType, static_cast<UINT>(MB_ICONWARNING));
    bool hasText = false, hasOk = false;
    for (const auto& part : parts) {
        hasText = hasText || part.text == "Could not set a timer!";
        hasOk = hasOk || (part.id == IDOK && part.text == "OK");
    }
    EXPECT_TRUE(hasText);
    EXPECT_TRUE(hasOk);
    EXPECT_EQ(emu::LiveWindowCount(), 0);

    EXPECT_EQ(MessageBoxA(nullptr, "Sure?", nullptr, MB_YESNO), IDYES);
    auto events = emu::EventsOf("messagebox");
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]["owner"], false);
    EXPECT_EQ(events[0]["text"], "Could not set a timer!");
    EXPECT_EQ(events[0]["caption"], "");
    EXPECT_EQ(events[0]["type"], MB_ICONWARNING);
    EXPECT_EQ(events[0]["result"], IDOK);
    EXPECT_EQ(events[1]["caption"], "Error"); // a null caption reads "Error"
    EXPECT_EQ(events[1]["result"], IDYES);
}

TEST_F(DialogsTest, MessageBoxKeepsOtherWindowsRunning) {
    tickLimit = 2;
    HWND window = Owner(100);
    // Without an owner the box still dispatches the window's timer ticks,
    // and the window can go while the box is up.
    EXPECT_EQ(MessageBoxA(nullptr, "Text", "", MB_OK), IDOK);
    EXPECT_FALSE(IsWindow(window));

    HWND owner = Owner(100);
    ticks = 0;
    EXPECT_EQ(MessageBoxA(owner, "Text", "", MB_OK), 0); // went with its owner
    EXPECT_FALSE(IsWindow(owner));
}

} // namespace
