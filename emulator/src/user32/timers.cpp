// Window timers on the virtual clock. A due timer yields one WM_TIMER when
// the queue is asked; ticks missed meanwhile are not made up, as on Windows,
// where a timer has at most one WM_TIMER pending.
#include <windows.h>

#include "emu/clock.h"
#include "emu/trace.h"
#include "emu/window_manager.h"
#include "user32/win.h"
#include "sdk.h"

#include <algorithm>
#include <vector>

namespace emu::wm {

namespace {

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    std::uint32_t period = 0;
    std::uint32_t due = 0; // virtual time of the next tick
    TIMERPROC proc = nullptr;
};

constexpr std::uint32_t MinimumPeriod = 10;         // USER_TIMER_MINIMUM
constexpr std::uint32_t MaximumPeriod = 0x7FFFFFFF; // USER_TIMER_MAXIMUM
constexpr UINT_PTR FirstThreadTimerId = 0x7FFF;

std::vector<Timer> timers;
bool failSetTimer = false;
UINT_PTR nextThreadTimerId = FirstThreadTimerId;

// Wrap-safe: the tick counter may pass 2^32 while a timer runs.
bool IsDue(const Timer& timer) {
    return static_cast<std::int32_t>(Now() - timer.due) >= 0;
}

// Setting and killing a timer are traced: a time-out that is never switched
// off, or one switched off too early, shows there.
void RecordTimer(const char* op, UINT_PTR id, bool ok) {
    Record({{"ev", "timer"}, {"op", op}, {"id", id}, {"ok", ok}});
}

bool Passes(HWND filter, HWND target) {
    if (filter == nullptr) {
        return true;
    }
    if (filter == reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1))) {
        return target == nullptr;
    }
    return target != nullptr && IsSelfOrDescendant(filter, target);
}

} // namespace

bool NextTimerMessage(HWND filter, bool remove, MSG* msg) {
    Timer* next = nullptr;
    for (Timer& timer : timers) {
        if (IsDue(timer) && Passes(filter, timer.hwnd) &&
            (next == nullptr || static_cast<std::int32_t>(timer.due - next->due) < 0)) {
            next = &timer;
        }
    }
    if (next == nullptr) {
        return false;
    }
    *msg = MSG{next->hwnd, WM_TIMER, next->id, reinterpret_cast<LPARAM>(next->proc), Now(), {0, 0}};
    if (remove) {
        next->due += next->period;
        if (IsDue(*next)) {
            next->due = Now() + next->period;
        }
    }
    return true;
}

void RemoveTimers(HWND hwnd) {
    std::erase_if(timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
}

void ResetTimers() {
    timers.clear();
    failSetTimer = false;
    nextThreadTimerId = FirstThreadTimerId;
}

} // namespace emu::wm

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
    using namespace emu::wm;
    if (hWnd != nullptr && (Find(hWnd) == nullptr || Find(hWnd)->destroying)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        RecordTimer("set", nIDEvent, false);
        return 0;
    }
    if (failSetTimer) {
        SetLastError(emu::ErrorNoSystemResources);
        RecordTimer("set", nIDEvent, false);
        return 0;
    }
    std::uint32_t period = std::clamp<std::uint32_t>(uElapse, MinimumPeriod, MaximumPeriod);
    UINT_PTR id = nIDEvent;
    if (hWnd == nullptr) {
        // A thread timer gets an identifier of its own, unless nIDEvent names one.
        bool existing = std::any_of(timers.begin(), timers.end(), [&](const Timer& t) {
            return t.hwnd == nullptr && t.id == nIDEvent;
        });
        if (!existing) {
            id = nextThreadTimerId--;
        }
    }
    // Setting a timer that exists replaces it and starts its period afresh.
    std::erase_if(timers, [&](const Timer& t) { return t.hwnd == hWnd && t.id == id; });
    timers.push_back({hWnd, id, period, emu::Now() + period, lpTimerFunc});
    RecordTimer("set", id, true);
    return hWnd == nullptr ? id : (id != 0 ? id : 1);
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
    using namespace emu::wm;
    auto before = timers.size();
    std::erase_if(timers, [&](const Timer& t) { return t.hwnd == hWnd && t.id == uIDEvent; });
    const bool killed = timers.size() != before;
    RecordTimer("kill", uIDEvent, killed);
    return killed ? TRUE : FALSE;
}

namespace emu {

void FailSetTimer(bool fail) {
    wm::failSetTimer = fail;
}

} // namespace emu
