#include "test_window.h"

#include <map>

namespace conformance {

namespace {

std::set<UINT> watched;
std::string log;
std::map<HWND, std::string> names;
TestAnswers answers;
CreateSeen created;

std::string Details(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE: return Text("(%ux%u)", LOWORD(lParam), HIWORD(lParam));
    case WM_MOVE:
        return Text("(%d,%d)", static_cast<short>(LOWORD(lParam)),
                    static_cast<short>(HIWORD(lParam)));
    case WM_SHOWWINDOW: return Text("(%u)", static_cast<unsigned>(wParam));
    case WM_TIMER: return Text("(%u)", static_cast<unsigned>(wParam));
    case WM_COMMAND: return Text("(%u)", LOWORD(wParam));
    default:
        if (message >= WM_USER) {
            return Text("(%d,%d)", static_cast<int>(wParam), static_cast<int>(lParam));
        }
        return "";
    }
}

void Note(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (watched.count(message) == 0) {
        return;
    }
    auto found = names.find(hwnd);
    std::string who = found != names.end() ? found->second : "?";
    if (!log.empty()) {
        log += ' ';
    }
    log += who + ":" + MessageName(message) + Details(message, wParam, lParam);
}

void RememberCreate(LPARAM lParam) {
    const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    created.params = cs->lpCreateParams;
    created.x = cs->x;
    created.y = cs->y;
    created.cx = cs->cx;
    created.cy = cs->cy;
    created.style = cs->style;
    created.name = cs->lpszName != nullptr ? cs->lpszName : "";
}

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Note(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    if (answers.handler && answers.handler(hwnd, message, wParam, lParam, &result)) {
        return result;
    }
    switch (message) {
    case WM_NCCREATE:
        if (answers.ncCreate == FALSE) {
            return FALSE;
        }
        break;
    case WM_CREATE: RememberCreate(lParam); return answers.create;
    default: break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

ATOM RegisterTestClass() {
    static ATOM atom = 0;
    if (atom != 0) {
        return atom;
    }
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = Instance();
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = TestClassName;
    atom = RegisterClassExA(&wc);
    return atom;
}

HWND CreateTestWindow(const char* logName, DWORD style, int x, int y, int width, int height,
                      HWND parent, int id) {
    RegisterTestClass();
    HWND hwnd =
        CreateWindowExA(0, TestClassName, logName, style, x, y, width, height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
    if (hwnd != nullptr) {
        NameWindow(hwnd, logName);
    }
    return hwnd;
}

void Watch(std::set<UINT> messages) {
    watched = std::move(messages);
    log.clear();
}

void WatchNothing() {
    watched.clear();
    log.clear();
}

void ClearLog() {
    log.clear();
}

std::string Log() {
    return log.empty() ? "-" : log;
}

void NameWindow(HWND hwnd, const std::string& name) {
    names[hwnd] = name;
}

std::string MessageName(UINT message) {
    switch (message) {
    case WM_CREATE: return "WM_CREATE";
    case WM_DESTROY: return "WM_DESTROY";
    case WM_MOVE: return "WM_MOVE";
    case WM_SIZE: return "WM_SIZE";
    case WM_SETTEXT: return "WM_SETTEXT";
    case WM_GETTEXT: return "WM_GETTEXT";
    case WM_PAINT: return "WM_PAINT";
    case WM_CLOSE: return "WM_CLOSE";
    case WM_ERASEBKGND: return "WM_ERASEBKGND";
    case WM_SHOWWINDOW: return "WM_SHOWWINDOW";
    case WM_SETFONT: return "WM_SETFONT";
    case WM_NCCREATE: return "WM_NCCREATE";
    case WM_NCDESTROY: return "WM_NCDESTROY";
    case WM_NCCALCSIZE: return "WM_NCCALCSIZE";
    case WM_INITDIALOG: return "WM_INITDIALOG";
    case WM_COMMAND: return "WM_COMMAND";
    case WM_SYSCOMMAND: return "WM_SYSCOMMAND";
    case WM_TIMER: return "WM_TIMER";
    default:
        if (message >= WM_USER) {
            return Text("WM_USER+%u", message - WM_USER);
        }
        return Text("0x%04X", message);
    }
}

TestAnswers& Answers() {
    return answers;
}

const CreateSeen& LastCreate() {
    return created;
}

void Drain(DWORD milliseconds) {
    DWORD start = GetTickCount();
    MSG msg;
    do {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

} // namespace conformance
