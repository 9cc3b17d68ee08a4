// The window manager of the emulated desktop: creation and destruction as
// Windows orders their messages, the queue, timers on the virtual clock.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "emu/clock.h"
#include "emu/faults.h"
#include "emu/gdi.h"
#include "emu/machine.h"
#include "emu/trace.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"
#include "support/popup.h"

namespace {

struct Seen {
    HWND hwnd;
    UINT message;
};

std::vector<Seen> seen;
// Per-test behaviour of the recording procedure, by message.
std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> hook;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    seen.push_back({hwnd, message});
    if (hook) {
        LRESULT result = hook(hwnd, message, wParam, lParam);
        if (result != 0x7777) {
            return result;
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
constexpr LRESULT Default = 0x7777;

class WindowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        emu::Reset();
        seen.clear();
        hook = nullptr;
        ASSERT_NE(test::RegisterTestClass({"Probe", RecordingProc, test::LightGreyBrush()}), 0);
    }
    void TearDown() override { hook = nullptr; }

    static HWND Popup(int x, int y, int w, int h, DWORD extraStyle = 0, HWND owner = nullptr,
                      LPVOID param = nullptr) {
        return test::OpenPopup("Probe", x, y, w, h, extraStyle, owner, param);
    }
    static std::vector<UINT> MessagesOf(HWND hwnd) {
        std::vector<UINT> result;
        for (const Seen& s : seen) {
            if (s.hwnd == hwnd) {
                result.push_back(s.message);
            }
        }
        return result;
    }
};

TEST_F(WindowsTest, CreationSendsNcCreateNcCalcSizeCreateSizeMoveThenShows) {
    int payload = 0;
    CREATESTRUCTA captured{};
    hook = [&](HWND, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
        if (message == WM_CREATE) {
            captured = *reinterpret_cast<CREATESTRUCTA*>(lParam);
        }
        return Default;
    };
    HWND hwnd = Popup(10, 20, 300, 200, WS_VISIBLE, nullptr, &payload);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(MessagesOf(hwnd), (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE,
                                                   WM_MOVE, WM_SHOWWINDOW}));
    EXPECT_EQ(captured.lpCreateParams, &payload);
    EXPECT_EQ(captured.x, 10);
    EXPECT_EQ(captured.cy, 200);
    EXPECT_STREQ(captured.lpszClass, "Probe");

    auto events = emu::EventsOf("window");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]["op"], "create");
    EXPECT_EQ(events[0]["class"], "Probe");
    EXPECT_EQ(events[0]["x"], 10);
    EXPECT_EQ(events[0]["y"], 20);
    EXPECT_EQ(events[0]["w"], 300);
    EXPECT_EQ(events[0]["h"], 200);
}

TEST_F(WindowsTest, ClassesAreRegisteredOncePerInstanceAndLookedUpByName) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = emu::ProgramInstance();
    wc.lpszClassName = "PROBE"; // class names ignore case
    SetLastError(0);
    EXPECT_EQ(RegisterClassExA(&wc), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

    EXPECT_EQ(CreateWindowExA(0, "Nowhere", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              emu::ProgramInstance(), nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
    EXPECT_EQ(emu::LiveWindowCount(), 0);
}

TEST_F(WindowsTest, CreateFailsWhenWmCreateRefusesOrTheWindowIsDestroyedInIt) {
    hook = [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        return message == WM_CREATE ? -1 : Default;
    };
    EXPECT_EQ(Popup(0, 0, 50, 50), nullptr);
    ASSERT_FALSE(seen.empty());
    HWND refused = seen.front().hwnd;
    EXPECT_EQ(MessagesOf(refused),
              (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(refused));

    seen.clear();
    hook = [](HWND hwnd, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_CREATE) {
            DestroyWindow(hwnd);
            return 0;
        }
        return Default;
    };
    EXPECT_EQ(Popup(0, 0, 50, 50, WS_VISIBLE), nullptr);
    HWND selfDestroyed = seen.front().hwnd;
    // Nothing more is sent to a window that is gone.
    EXPECT_EQ(MessagesOf(selfDestroyed),
              (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}));
    EXPECT_EQ(emu::LiveWindowCount(), 0);
}

TEST_F(WindowsTest, CreationHandlersNestWholeWindowLifetimes) {
    // Each WM_CREATE creates the next window and destroys its own, like a
    // chain of screens, three deep.
    int depth = 0;
    std::vector<HWND> returned;
    hook = [&](HWND hwnd, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message != WM_CREATE) {
            return Default;
        }
        ShowWindow(hwnd, SW_SHOWDEFAULT);
        ++depth;
        if (depth < 3) {
            returned.push_back(Popup(depth * 10, 0, 100, 100));
        }
        DestroyWindow(hwnd);
        return 0;
    };
    EXPECT_EQ(Popup(0, 0, 100, 100), nullptr);
    EXPECT_EQ(returned, (std::vector<HWND>{nullptr, nullptr}));

    std::vector<std::string> ops;
    for (const auto& e : emu::EventsOf("window")) {
        ops.push_back(e["op"].get<std::string>() + std::to_string(e["x"].get<int>()));
    }
    EXPECT_EQ(ops, (std::vector<std::string>{"create0", "create10", "create20", "destroy20",
                                             "destroy10", "destroy0"}));
    EXPECT_EQ(emu::LiveWindowCount(), 0);
}

TEST_F(WindowsTest, DestroyTakesOwnedWindowsFirstThenDestroyAndNcDestroyInWindowsOrder) {
    HWND owner = Popup(0, 0, 400, 300, WS_VISIBLE);
    HWND owned = Popup(10, 10, 100, 100, WS_VISIBLE, owner);
    HWND child = CreateWindowExA(0, "Probe", "", WS_CHILD | WS_VISIBLE, 5, 5, 20, 20, owner,
                                 reinterpret_cast<HMENU>(7), emu::ProgramInstance(), nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetParent(owned), owner);
    EXPECT_EQ(GetParent(child), owner);
    EXPECT_EQ(GetParent(owner), nullptr);
    SetTimer(owner, 19, 1000, nullptr);
    PostMessageA(owner, WM_USER, 0, 0);
    PostMessageA(child, WM_USER, 0, 0);
    seen.clear();

    EXPECT_TRUE(DestroyWindow(owner));
    std::vector<std::pair<HWND, UINT>> order;
    for (const Seen& s : seen) {
        if (s.message == WM_DESTROY || s.message == WM_NCDESTROY) {
            order.emplace_back(s.hwnd, s.message);
        }
    }
    EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{{owned, WM_DESTROY},
                                                         {owned, WM_NCDESTROY},
                                                         {owner, WM_DESTROY},
                                                         {child, WM_DESTROY},
                                                         {child, WM_NCDESTROY},
                                                         {owner, WM_NCDESTROY}}));
    EXPECT_EQ(emu::LiveWindowCount(), 0);

    // Its timer and queued messages went with it.
    emu::Advance(5000);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    SetLastError(0);
    EXPECT_FALSE(DestroyWindow(owner));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowsTest, ClientAreaFollowsTheFrameOfTheStyle) {
    HWND popup = Popup(100, 50, 640, 480);
    RECT r;
    ASSERT_TRUE(GetClientRect(popup, &r));
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);

    HWND framed = Popup(0, 0, 200, 100, WS_CAPTION | WS_SYSMENU);
    ASSERT_TRUE(GetClientRect(framed, &r));
    // A dialog frame of 3 on each side (SM_CXDLGFRAME) and a caption of 19
    // (SM_CYCAPTION) on top.
    EXPECT_EQ(r.right, 200 - 2 * 3);
    EXPECT_EQ(r.bottom, 100 - 2 * 3 - 19);
    ASSERT_TRUE(GetWindowRect(framed, &r));
    EXPECT_EQ(r.right - r.left, 200);
}

// The client area has one owner: what WM_NCCALCSIZE left is where the
// window's DC draws and where the test helper reads.
TEST_F(WindowsTest, WindowDcDrawsWhereWmNcCalcSizeLeftTheClientArea) {
    constexpr LONG Indent = 10;
    hook = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message != WM_NCCALCSIZE) {
            return Default;
        }
        DefWindowProcA(hwnd, message, wParam, lParam);
        reinterpret_cast<RECT*>(lParam)->left += Indent;
        return 0;
    };
    HWND hwnd = Popup(100, 100, 50, 50, WS_VISIBLE);
    RECT client{};
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(client.right, 50 - Indent);

    constexpr COLORREF Red = RGB(255, 0, 0);
    HDC dc = GetDC(hwnd);
    SetPixel(dc, 0, 0, Red);
    ReleaseDC(hwnd, dc);
    // A popup has no frame: its client area starts at the window's left
    // edge 100 plus the 10 pixels the procedure took, x = 110.
    EXPECT_EQ(emu::DesktopPixel(110, 100), emu::RgbOf(Red));
    EXPECT_NE(emu::DesktopPixel(105, 100), emu::RgbOf(Red));
    EXPECT_EQ(emu::WindowPixel(hwnd, 0, 0), emu::RgbOf(Red));
}

TEST_F(WindowsTest, ShowInvalidatesWithEraseAndUpdateWindowPaintsOnce) {
    HWND hwnd = Popup(0, 0, 320, 240);
    EXPECT_FALSE(emu::TakeUpdateRegion(hwnd).has_value());
    EXPECT_FALSE(emu::ViewOf(hwnd)->visible);

    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOWDEFAULT)); // was hidden
    EXPECT_TRUE(emu::ViewOf(hwnd)->visible);
    EXPECT_EQ(emu::FocusWindow(), hwnd);
    seen.clear();
    EXPECT_TRUE(UpdateWindow(hwnd));
    // DefWindowProc painted through BeginPaint, which erased and validated.
    EXPECT_EQ(MessagesOf(hwnd), (std::vector<UINT>{WM_PAINT, WM_ERASEBKGND}));
    EXPECT_FALSE(emu::TakeUpdateRegion(hwnd).has_value());
    seen.clear();
    UpdateWindow(hwnd);
    EXPECT_TRUE(seen.empty());

    RECT a{10, 10, 20, 20}, b{50, 5, 60, 15};
    InvalidateRect(hwnd, &a, FALSE);
    InvalidateRect(hwnd, &b, FALSE);
    auto region = emu::TakeUpdateRegion(hwnd);
    ASSERT_TRUE(region.has_value());
    // The bounding rectangle of both: left min(10, 50), top min(10, 5),
    // right max(20, 60), bottom max(20, 15).
    EXPECT_EQ(region->rect.left, 10);
    EXPECT_EQ(region->rect.top, 5);
    EXPECT_EQ(region->rect.right, 60);
    EXPECT_EQ(region->rect.bottom, 20);
    EXPECT_FALSE(region->erase);
}

TEST_F(WindowsTest, PeekMessageServesPostedThenKeysThenPaintThenTimers) {
    HWND hwnd = Popup(0, 0, 100, 100, WS_VISIBLE); // needs painting
    HWND child = CreateWindowExA(0, "Probe", "", WS_CHILD, 0, 0, 10, 10, hwnd, nullptr,
                                 emu::ProgramInstance(), nullptr);
    HWND other = Popup(200, 0, 100, 100);
    SetTimer(hwnd, 19, 100, nullptr);
    emu::Advance(100);
    emu::PressKey(VK_ESCAPE); // to the active window
    PostMessageA(other, WM_USER + 1, 0, 0);
    PostMessageA(child, WM_USER + 2, 0, 0);

    std::vector<UINT> order;
    MSG msg;
    std::uint32_t before = emu::Now();
    while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) {
        order.push_back(msg.message);
        if (msg.message == WM_PAINT) {
            DispatchMessageA(&msg); // validates; otherwise WM_PAINT stays
        }
    }
    EXPECT_EQ(order,
              (std::vector<UINT>{WM_USER + 2, WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_PAINT, WM_TIMER}));
    EXPECT_EQ(emu::Now() - before, (order.size() + 1) * emu::PeekMessageCost);

    // The other window's message was left alone, and PM_NOREMOVE leaves it too.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.hwnd, other);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER + 5, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    auto keys = emu::EventsOf("key");
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0]["vk"], VK_ESCAPE);
}

TEST_F(WindowsTest, TimersTickOnTheVirtualClockWithOneTickPendingAtMost) {
    HWND hwnd = Popup(0, 0, 100, 100);
    ASSERT_NE(SetTimer(hwnd, 19, 1000, nullptr), 0u);
    MSG msg;
    emu::Advance(990);
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
    emu::Advance(10);
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(msg.wParam, 19u);
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));

    // Five periods pass unobserved: one tick, then the next a period later.
    emu::Advance(5000);
    EXPECT_TRUE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
    emu::Advance(1000);
    EXPECT_TRUE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));

    EXPECT_TRUE(KillTimer(hwnd, 19));
    EXPECT_FALSE(KillTimer(hwnd, 19));
    emu::Advance(3000);
    EXPECT_FALSE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));

    emu::FailSetTimer(true);
    EXPECT_EQ(SetTimer(hwnd, 19, 1000, nullptr), 0u);
    emu::FailSetTimer(false);
    DestroyWindow(hwnd);
    EXPECT_EQ(SetTimer(hwnd, 19, 1000, nullptr), 0u);
}

TEST_F(WindowsTest, SetWindowPosMovesKeepsSizeAndRaises) {
    HWND lower = Popup(0, 0, 100, 100, WS_VISIBLE);
    HWND upper = Popup(50, 50, 100, 100, WS_VISIBLE);
    auto tops = emu::VisibleTopLevelWindows();
    ASSERT_EQ(tops.size(), 2u);
    EXPECT_EQ(tops.back().hwnd, upper);

    EXPECT_TRUE(SetWindowPos(lower, HWND_TOP, 170, 180, 0, 0, SWP_NOSIZE));
    RECT r;
    GetWindowRect(lower, &r);
    // Moved to (170, 180) with its 100 x 100 size kept: right = 170 + 100.
    EXPECT_EQ(r.left, 170);
    EXPECT_EQ(r.top, 180);
    EXPECT_EQ(r.right, 270);
    EXPECT_EQ(emu::VisibleTopLevelWindows().back().hwnd, lower);

    SetWindowPos(upper, HWND_TOP, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER);
    GetWindowRect(upper, &r);
    // Sized to 10 x 10 where it was (50, 50): right = 50 + 10.
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.right, 60);
    EXPECT_EQ(emu::VisibleTopLevelWindows().back().hwnd, lower);
}

TEST_F(WindowsTest, TextsCloseAndTheSmallServices) {
    HWND hwnd = CreateWindowExA(0, "Probe", "Title", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                emu::ProgramInstance(), nullptr);
    char buffer[4];
    EXPECT_EQ(GetWindowTextA(hwnd, buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "Tit");
    SetWindowTextA(hwnd, "\xE9t\xE9");
    EXPECT_EQ(emu::ViewOf(hwnd)->text, "\xE9t\xE9");

    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(emu::CursorDisplayCount(), 0);
    ASSERT_EQ(emu::EventsOf("cursor").size(), 2u);
    EXPECT_EQ(emu::EventsOf("cursor")[0]["count"], -1);
    MessageBeep(MB_OK);
    EXPECT_EQ(emu::EventsOf("beep").at(0)["type"], 0);

    emu::Machine().desktopWidth = 1280;
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);

    SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(MessagesOf(hwnd).back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_FALSE(IsWindow(hwnd));
}

} // namespace
