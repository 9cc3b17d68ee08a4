// Messages and timers: SendMessageA, PostMessageA, PeekMessageA with its
// filters and Windows' order (posted, then paint, then timer),
// DispatchMessageA, DefWindowProcA, SetTimer and KillTimer.
#include "test_window.h"

namespace conformance {

namespace {

const HWND Invalid = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFFFFF0));
const HWND ThreadOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

// The test window answers WM_USER + n with wParam + lParam.
bool Adds(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message >= WM_USER && message < WM_USER + 100) {
        *result = static_cast<LRESULT>(wParam) + lParam;
        return true;
    }
    return false;
}

std::string Peeked(BOOL found, const MSG& msg, HWND expectedWindow) {
    if (!found) {
        return "none";
    }
    std::string window = msg.hwnd == expectedWindow ? "w" : msg.hwnd == nullptr ? "NULL" : "other";
    return Text("%s:%s(%d,%d)", window.c_str(), MessageName(msg.message).c_str(),
                static_cast<int>(msg.wParam), static_cast<int>(msg.lParam));
}

void CheckSend(HWND hwnd) {
    Watch({WM_USER + 1});
    LRESULT result = SendMessageA(hwnd, WM_USER + 1, 5, 6);
    Report("msg.send", "SendMessageA(WM_USER+1, 5, 6)",
           Text("result=%ld %s", static_cast<long>(result), Log().c_str()),
           "result=11 w:WM_USER+1(5,6)");
    WatchNothing();
    SetLastError(Unset);
    result = SendMessageA(Invalid, WM_USER + 1, 5, 6);
    Report("msg.send.invalid", "SendMessageA(invalid)",
           Text("result=%ld error=%u", static_cast<long>(result), GetLastError()),
           "result=0 error=1400");
}

void CheckPostAndPeek(HWND hwnd, HWND other) {
    MSG msg{};
    PostMessageA(hwnd, WM_USER + 1, 1, 0);
    PostMessageA(hwnd, WM_USER + 2, 2, 0);
    BOOL kept = PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    std::string first = Peeked(kept, msg, hwnd);
    BOOL removed = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    std::string second = Peeked(removed, msg, hwnd);
    BOOL next = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    std::string third = Peeked(next, msg, hwnd);
    BOOL empty = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    Report("msg.post.fifo", "PostMessageA twice; PeekMessageA NOREMOVE, REMOVE x3",
           Text("%s %s %s %s", first.c_str(), second.c_str(), third.c_str(),
                Peeked(empty, msg, hwnd).c_str()),
           "w:WM_USER+1(1,0) w:WM_USER+1(1,0) w:WM_USER+2(2,0) none");

    PostMessageA(hwnd, WM_USER + 1, 1, 0);
    PostMessageA(hwnd, WM_USER + 5, 5, 0);
    BOOL ranged = PeekMessageA(&msg, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE);
    std::string inRange = Peeked(ranged, msg, hwnd);
    BOOL elsewhere = PeekMessageA(&msg, other, 0, 0, PM_REMOVE);
    std::string forOther = Peeked(elsewhere, msg, hwnd);
    BOOL rest = PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE);
    Report("msg.peek.filters", "PeekMessageA(range WM_USER+5), (other window), (window)",
           Text("%s %s %s", inRange.c_str(), forOther.c_str(), Peeked(rest, msg, hwnd).c_str()),
           "w:WM_USER+5(5,0) none w:WM_USER+1(1,0)");

    BOOL posted = PostMessageA(nullptr, WM_USER + 7, 7, 0);
    PostMessageA(hwnd, WM_USER + 8, 8, 0);
    BOOL thread = PeekMessageA(&msg, ThreadOnly, 0, 0, PM_REMOVE);
    std::string threadMessage = Peeked(thread, msg, hwnd);
    LRESULT dispatched = DispatchMessageA(&msg);
    rest = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    Report("msg.post.thread", "PostMessageA(NULL), PeekMessageA(-1), DispatchMessageA",
           Text("posted=%d %s dispatched=%ld then %s", posted, threadMessage.c_str(),
                static_cast<long>(dispatched), Peeked(rest, msg, hwnd).c_str()),
           "posted=1 NULL:WM_USER+7(7,0) dispatched=0 then w:WM_USER+8(8,0)");

    SetLastError(Unset);
    BOOL bad = PostMessageA(Invalid, WM_USER + 1, 0, 0);
    Report("msg.post.invalid", "PostMessageA(invalid)",
           Text("result=%d error=%u", bad, GetLastError()), "result=0 error=1400");
}

void CheckDispatch(HWND hwnd) {
    MSG msg{};
    PostMessageA(hwnd, WM_USER + 3, 20, 22);
    PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE);
    Watch({WM_USER + 3});
    LRESULT result = DispatchMessageA(&msg);
    Report("msg.dispatch", "DispatchMessageA(posted WM_USER+3(20,22))",
           Text("result=%ld %s", static_cast<long>(result), Log().c_str()),
           "result=42 w:WM_USER+3(20,22)");
    WatchNothing();
}

// Windows makes up WM_PAINT and WM_TIMER only when no posted message waits.
void CheckQueueOrder(HWND hwnd) {
    ShowWindow(hwnd, SW_SHOW);
    Drain();
    SetTimer(hwnd, 9, 10, nullptr);
    Pump(40);
    InvalidateRect(hwnd, nullptr, FALSE);
    PostMessageA(hwnd, WM_USER + 4, 4, 0);
    std::string order;
    MSG msg{};
    for (int i = 0; i < 3 && PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE); ++i) {
        order += (i > 0 ? " " : "") + MessageName(msg.message);
        if (msg.message == WM_PAINT) {
            DispatchMessageA(&msg);
        }
    }
    KillTimer(hwnd, 9);
    Report("msg.queue-order", "posted message, invalid window, due timer: PeekMessageA x3", order,
           "WM_USER+4 WM_PAINT WM_TIMER");
    ShowWindow(hwnd, SW_HIDE);
    Drain();
}

void CheckDefWindowProc(HWND hwnd) {
    LRESULT set = DefWindowProcA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Def"));
    char buffer[8] = {};
    GetWindowTextA(hwnd, buffer, sizeof buffer);
    LRESULT unknown = DefWindowProcA(hwnd, WM_USER + 50, 1, 2);
    Report("msg.defwindowproc", "DefWindowProcA(WM_SETTEXT \"Def\"), (WM_USER+50)",
           Text("settext=%ld text=%s unknown=%ld", static_cast<long>(set), buffer,
                static_cast<long>(unknown)),
           "settext=1 text=Def unknown=0");

    HWND closing = CreateTestWindow("c");
    Watch({WM_CLOSE, WM_DESTROY});
    SendMessageA(closing, WM_SYSCOMMAND, SC_CLOSE, 0);
    Report("msg.defwindowproc.sc-close", "SendMessageA(WM_SYSCOMMAND, SC_CLOSE)",
           Text("%s alive=%d", Log().c_str(), IsWindow(closing)),
           "c:WM_CLOSE c:WM_DESTROY alive=0");
    WatchNothing();
}

DWORD timerProcCalls = 0;
HWND timerProcWindow = Invalid;
UINT_PTR timerProcId = 0;

void CALLBACK CountingTimerProc(HWND hwnd, UINT, UINT_PTR id, DWORD) {
    ++timerProcCalls;
    timerProcWindow = hwnd;
    timerProcId = id;
}

void CheckWindowTimer(HWND hwnd) {
    UINT_PTR id = SetTimer(hwnd, 7, 20, nullptr);
    Pump(70);
    MSG msg{};
    BOOL first = PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE);
    std::string tick = Peeked(first, msg, hwnd);
    // Ticks that were missed are not made up: one WM_TIMER at a time.
    BOOL second = PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE);
    Report("timer.window", "SetTimer(w, 7, 20 ms), 70 ms later PeekMessageA(WM_TIMER) x2",
           Text("id=%u %s %s", static_cast<unsigned>(id), tick.c_str(),
                Peeked(second, msg, hwnd).c_str()),
           "id=7 w:WM_TIMER(7,0) none");
    BOOL killed = KillTimer(hwnd, 7);
    BOOL again = KillTimer(hwnd, 7);
    Pump(40);
    BOOL late = PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE);
    Report("timer.kill", "KillTimer(w, 7) twice, 40 ms later PeekMessageA",
           Text("%d %d %s", killed, again, Peeked(late, msg, hwnd).c_str()), "1 0 none");

    SetTimer(hwnd, 8, 10, CountingTimerProc);
    Pump(30);
    Watch({WM_TIMER});
    BOOL got = PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_REMOVE);
    if (got) {
        DispatchMessageA(&msg);
    }
    KillTimer(hwnd, 8);
    Report("timer.proc", "SetTimer(w, 8, 10 ms, proc), DispatchMessageA(WM_TIMER)",
           Text("proc-calls=%u window=%s id=%u wndproc=%s", timerProcCalls,
                timerProcWindow == hwnd ? "w" : "other", static_cast<unsigned>(timerProcId),
                Log().c_str()),
           "proc-calls=1 window=w id=8 wndproc=-");
    WatchNothing();
}

void CheckThreadTimer() {
    timerProcCalls = 0;
    UINT_PTR id = SetTimer(nullptr, 0, 10, CountingTimerProc);
    Pump(30);
    MSG msg{};
    BOOL got = PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE);
    bool sameId = got && msg.wParam == id;
    if (got) {
        DispatchMessageA(&msg);
    }
    BOOL killed = KillTimer(nullptr, id);
    Report("timer.thread",
           "SetTimer(NULL, 0, 10 ms, proc), PeekMessageA(WM_TIMER), DispatchMessageA",
           Text("id-nonzero=%d window=%s message-id=%d proc-calls=%u proc-window=%s killed=%d",
                id != 0, got ? (msg.hwnd == nullptr ? "NULL" : "other") : "none", sameId,
                timerProcCalls, timerProcWindow == nullptr ? "NULL" : "other", killed),
           "id-nonzero=1 window=NULL message-id=1 proc-calls=1 proc-window=NULL killed=1");

    SetLastError(Unset);
    UINT_PTR bad = SetTimer(Invalid, 1, 10, nullptr);
    Report("timer.invalid-window", "SetTimer(invalid, 1, 10 ms)",
           Text("id=%u error=%u", static_cast<unsigned>(bad), GetLastError()), "id=0 error=1400");
}

} // namespace

void RunMessageChecks() {
    Answers().handler = Adds;
    HWND hwnd = CreateTestWindow("w");
    HWND other = CreateTestWindow("other");
    Drain();
    CheckSend(hwnd);
    CheckPostAndPeek(hwnd, other);
    CheckDispatch(hwnd);
    CheckQueueOrder(hwnd);
    CheckDefWindowProc(hwnd);
    CheckWindowTimer(hwnd);
    CheckThreadTimer();
    Answers().handler = nullptr;
    DestroyWindow(other);
    DestroyWindow(hwnd);
    Drain();
}

} // namespace conformance
