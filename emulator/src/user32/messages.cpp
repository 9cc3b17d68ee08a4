// The message queue of the program's one thread: posted messages, keyboard
// input, and the WM_PAINT and WM_TIMER messages that Windows makes up when
// the queue is asked and nothing else is waiting.
#include <windows.h>

#include "emu/clock.h"
#include "emu/trace.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"
#include "user32/win.h"

#include <deque>

namespace emu::wm {

namespace {

std::deque<MSG> posted;
std::deque<MSG> input; // keyboard messages, served after the posted ones as on Windows

// HWND_MESSAGE-like filter value: only messages posted to the thread itself.
const HWND ThreadOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

bool PassesWindowFilter(HWND filter, HWND target) {
    if (filter == nullptr) {
        return true;
    }
    if (filter == ThreadOnly) {
        return target == nullptr;
    }
    return target != nullptr && IsSelfOrDescendant(filter, target);
}

bool PassesRangeFilter(UINT message, UINT low, UINT high) {
    if (low == 0 && high == 0) {
        return true;
    }
    return message >= low && message <= high;
}

bool TakeFrom(std::deque<MSG>& queue, HWND filter, UINT low, UINT high, bool remove, MSG* msg) {
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (PassesWindowFilter(filter, it->hwnd) && PassesRangeFilter(it->message, low, high)) {
            *msg = *it;
            if (remove) {
                queue.erase(it);
            }
            return true;
        }
    }
    return false;
}

// A window of the filter that needs painting: WM_PAINT stays in the queue
// until the update region is validated.
bool PaintMessage(HWND filter, MSG* msg) {
    HWND hwnd = FirstWindowWhere([filter](const Window& window) {
        return window.hasUpdate && !window.destroying && IsVisible(window) &&
               PassesWindowFilter(filter, window.hwnd);
    });
    if (hwnd == nullptr) {
        return false;
    }
    *msg = MSG{hwnd, WM_PAINT, 0, 0, Now(), {0, 0}};
    return true;
}

MSG Make(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return MSG{hwnd, message, wParam, lParam, Now(), {0, 0}};
}

// The keystroke flags of lParam: repeat count 1, the scan code, and for a
// key release the previous-state and transition bits.
LPARAM KeyFlags(UINT vk, bool up) {
    std::uint32_t scan = 0;
    switch (vk) {
    case VK_ESCAPE: scan = 0x01; break;
    case VK_RETURN: scan = 0x1C; break;
    case VK_SPACE: scan = 0x39; break;
    default: break;
    }
    std::uint32_t flags = 1u | (scan << 16);
    if (up) {
        flags |= 0xC0000000u;
    }
    return static_cast<LPARAM>(static_cast<LONG>(flags));
}

// The character TranslateMessage would make of an unshifted key.
int CharOf(UINT vk) {
    if (vk == VK_ESCAPE || vk == VK_RETURN || vk == VK_SPACE) {
        return static_cast<int>(vk);
    }
    if (vk >= '0' && vk <= '9') {
        return static_cast<int>(vk);
    }
    if (vk >= 'A' && vk <= 'Z') {
        return static_cast<int>(vk - 'A' + 'a');
    }
    return -1;
}

} // namespace

void RemoveQueuedMessages(HWND hwnd) {
    std::erase_if(posted, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
    std::erase_if(input, [hwnd](const MSG& m) { return m.hwnd == hwnd; });
}

void ResetMessages() {
    posted.clear();
    input.clear();
}

} // namespace emu::wm

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    const emu::wm::Window* window = emu::wm::Find(hWnd);
    if (window == nullptr || window->proc == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    // The procedure may destroy the window: nothing of it is used afterwards.
    WNDPROC proc = window->proc;
    return proc(hWnd, Msg, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd != nullptr && emu::wm::Find(hWnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    emu::wm::posted.push_back(emu::wm::Make(hWnd, Msg, wParam, lParam));
    return TRUE;
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
    emu::Advance(emu::PeekMessageCost);
    if (lpMsg == nullptr) {
        return FALSE;
    }
    bool remove = (wRemoveMsg & PM_REMOVE) != 0;
    using emu::wm::PassesRangeFilter;
    if (emu::wm::TakeFrom(emu::wm::posted, hWnd, wMsgFilterMin, wMsgFilterMax, remove, lpMsg) ||
        emu::wm::TakeFrom(emu::wm::input, hWnd, wMsgFilterMin, wMsgFilterMax, remove, lpMsg)) {
        return TRUE;
    }
    if (PassesRangeFilter(WM_PAINT, wMsgFilterMin, wMsgFilterMax) &&
        emu::wm::PaintMessage(hWnd, lpMsg)) {
        return TRUE;
    }
    if (PassesRangeFilter(WM_TIMER, wMsgFilterMin, wMsgFilterMax) &&
        emu::wm::NextTimerMessage(hWnd, remove, lpMsg)) {
        return TRUE;
    }
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
    if (lpMsg == nullptr) {
        return 0;
    }
    if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
        auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, emu::Now());
        return 0;
    }
    if (lpMsg->hwnd == nullptr) {
        return 0; // a thread message has no window procedure
    }
    return SendMessageA(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

namespace emu {

void PressKey(UINT vk) {
    Record({{"ev", "key"}, {"vk", vk}});
    HWND target = wm::Focus();
    if (target == nullptr) {
        return;
    }
    wm::input.push_back(wm::Make(target, WM_KEYDOWN, vk, wm::KeyFlags(vk, false)));
    // Windows makes WM_CHAR in TranslateMessage; the emulated keyboard queues
    // it itself, so that code that never translates still sees it.
    if (int ch = wm::CharOf(vk); ch >= 0) {
        wm::input.push_back(
            wm::Make(target, WM_CHAR, static_cast<WPARAM>(ch), wm::KeyFlags(vk, false)));
    }
    wm::input.push_back(wm::Make(target, WM_KEYUP, vk, wm::KeyFlags(vk, true)));
}

} // namespace emu
