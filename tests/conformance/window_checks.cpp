// Window classes and windows: registration, creation and its messages,
// destruction and its order, visibility, geometry, texts, ownership, the
// window's style as Windows completes it, and the system metrics.
#include "test_window.h"

#include <cstring>

namespace conformance {

namespace {

// System metrics of the SDK that the emulated headers leave out.
constexpr int CyCaption = 4;  // SM_CYCAPTION
constexpr int CxDlgFrame = 7; // SM_CXDLGFRAME
constexpr int CyDlgFrame = 8; // SM_CYDLGFRAME

const std::set<UINT> CreationMessages = {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE,  WM_SIZE,
                                         WM_MOVE,     WM_SHOWWINDOW, WM_DESTROY, WM_NCDESTROY};

// A style as the 32-bit pattern it is.
unsigned long Bits(LONG style) {
    return static_cast<DWORD>(style);
}

std::string RectText(const RECT& r) {
    return Text("%ld,%ld,%ld,%ld", static_cast<long>(r.left), static_cast<long>(r.top),
                static_cast<long>(r.right), static_cast<long>(r.bottom));
}

void CheckRegistration() {
    ATOM atom = RegisterTestClass();
    Report("win.class.register", "RegisterClassExA(\"VintoqConformance\")",
           Text("atom-in-C000..FFFF=%d", atom >= 0xC000), "atom-in-C000..FFFF=1");

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = Instance();
    wc.lpszClassName = "vintoqconformance";
    SetLastError(Unset);
    ATOM again = RegisterClassExA(&wc);
    Report("win.class.register-twice", "RegisterClassExA(same name in other case)",
           Text("atom=%u error=%u", again, GetLastError()), "atom=0 error=1410");

    wc.lpszClassName = "VintoqConformanceBadSize";
    wc.cbSize = sizeof wc - 4;
    SetLastError(Unset);
    ATOM bad = RegisterClassExA(&wc);
    Report("win.class.bad-size", "RegisterClassExA(cbSize too small)",
           Text("atom=%u error=%u", bad, GetLastError()), "atom=0 error=87");
}

constexpr UINT PlainQuery = WM_USER + 7;
constexpr LRESULT PlainAnswer = 0x5A;

// The window procedure of the class RegisterClassA registers: it answers one
// message of its own, so that a window shows whose procedure it runs.
LRESULT CALLBACK PlainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == PlainQuery ? PlainAnswer : DefWindowProcA(hwnd, message, wParam, lParam);
}

void CheckPlainRegistration() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = Instance();
    wc.lpszClassName = "VintoqConformancePlain";
    ATOM atom = RegisterClassA(&wc);
    SetLastError(Unset);
    ATOM again = RegisterClassA(&wc);
    Report("win.class.register-plain", "RegisterClassA(\"VintoqConformancePlain\") twice",
           Text("atom-in-C000..FFFF=%d again=%u error=%u", atom >= 0xC000, again, GetLastError()),
           "atom-in-C000..FFFF=1 again=0 error=1410");

    // One name space with RegisterClassExA, names in any case.
    wc.lpszClassName = "VINTOQCONFORMANCE";
    SetLastError(Unset);
    ATOM taken = RegisterClassA(&wc);
    Report("win.class.register-plain-taken", "RegisterClassA(name RegisterClassExA registered)",
           Text("atom=%u error=%u", taken, GetLastError()), "atom=0 error=1410");

    HWND hwnd = CreateWindowExA(0, "vintoqconformanceplain", "", WS_POPUP, 0, 0, 20, 20, nullptr,
                                nullptr, Instance(), nullptr);
    Report("win.class.plain-window", "CreateWindowExA(RegisterClassA's class), SendMessageA",
           Text("hwnd=%s answer=0x%lX", hwnd ? "valid" : "NULL",
                static_cast<long>(SendMessageA(hwnd, PlainQuery, 0, 0))),
           "hwnd=valid answer=0x5A");
    DestroyWindow(hwnd);
}

void CheckCreation() {
    RegisterTestClass();
    Watch(CreationMessages);
    int param = 0;
    HWND hwnd = CreateWindowExA(0, TestClassName, "Title", WS_POPUP, 100, 50, 300, 200, nullptr,
                                nullptr, Instance(), &param);
    NameWindow(hwnd, "w");
    // The names are what the log gives a window it does not know yet.
    std::string log = Log();
    Report("win.create.messages", "CreateWindowExA(WS_POPUP, 100,50 300x200)", log,
           "?:WM_NCCREATE ?:WM_NCCALCSIZE ?:WM_CREATE ?:WM_SIZE(300x200) ?:WM_MOVE(100,50)");
    const CreateSeen& seen = LastCreate();
    Report("win.create.createstruct", "CREATESTRUCTA in WM_CREATE",
           Text("params=%s x=%d y=%d cx=%d cy=%d style=0x%08lX name=%s",
                seen.params == &param ? "passed" : "other", seen.x, seen.y, seen.cx, seen.cy,
                Bits(seen.style), seen.name.c_str()),
           "params=passed x=100 y=50 cx=300 cy=200 style=0x80000000 name=Title");

    RECT window{}, client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    Report("win.create.rectangles", "GetWindowRect, GetClientRect",
           Text("window=%s client=%s", RectText(window).c_str(), RectText(client).c_str()),
           "window=100,50,400,250 client=0,0,300,200");
    Report("win.create.style", "GetWindowLongA(GWL_STYLE, GWL_EXSTYLE)",
           Text("style=0x%08lX exstyle=0x%08lX", Bits(GetWindowLongA(hwnd, GWL_STYLE)),
                Bits(GetWindowLongA(hwnd, GWL_EXSTYLE))),
           Text("style=0x%08lX exstyle=0x00000000",
                static_cast<unsigned long>(WS_POPUP | ClipSiblings)));
    WatchNothing();
    DestroyWindow(hwnd);
}

void CheckCaptionedWindow() {
    HWND hwnd = CreateTestWindow("captioned", WS_POPUP | WS_CAPTION, 10, 10, 300, 200);
    RECT client{};
    GetClientRect(hwnd, &client);
    // A caption brings a dialog frame on every side and the caption bar on top.
    int width = 300 - 2 * GetSystemMetrics(CxDlgFrame);
    int height = 200 - 2 * GetSystemMetrics(CyDlgFrame) - GetSystemMetrics(CyCaption);
    Report("win.create.caption-client", "GetClientRect(WS_POPUP|WS_CAPTION 300x200)",
           Text("client-matches-metrics=%d", client.right == width && client.bottom == height),
           "client-matches-metrics=1");
    Report("win.create.caption-exstyle", "GetWindowLongA(WS_POPUP|WS_CAPTION, GWL_EXSTYLE)",
           Text("exstyle=0x%08lX", Bits(GetWindowLongA(hwnd, GWL_EXSTYLE))),
           Text("exstyle=0x%08lX", static_cast<unsigned long>(ExWindowEdge)));
    DestroyWindow(hwnd);

    HWND overlapped = CreateTestWindow("overlapped", WS_OVERLAPPED, 10, 10, 300, 200);
    Report("win.create.overlapped-style", "GetWindowLongA(WS_OVERLAPPED window)",
           Text("style=0x%08lX exstyle=0x%08lX", Bits(GetWindowLongA(overlapped, GWL_STYLE)),
                Bits(GetWindowLongA(overlapped, GWL_EXSTYLE))),
           Text("style=0x%08lX exstyle=0x%08lX",
                static_cast<unsigned long>(WS_CAPTION | ClipSiblings),
                static_cast<unsigned long>(ExWindowEdge)));
    DestroyWindow(overlapped);
}

void CheckFailedCreation() {
    SetLastError(Unset);
    HWND none = CreateWindowExA(0, "VintoqNoSuchClass", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, Instance(), nullptr);
    Report("win.create.unknown-class", "CreateWindowExA(\"VintoqNoSuchClass\")",
           Text("hwnd=%s error=%u", none ? "valid" : "NULL", GetLastError()),
           "hwnd=NULL error=1407");

    SetLastError(Unset);
    none = CreateWindowExA(0, TestClassName, "", WS_CHILD, 0, 0, 10, 10, nullptr, nullptr,
                           Instance(), nullptr);
    Report("win.create.child-without-parent", "CreateWindowExA(WS_CHILD, no parent)",
           Text("hwnd=%s error=%u", none ? "valid" : "NULL", GetLastError()),
           "hwnd=NULL error=1406");

    Watch(CreationMessages);
    Answers().create = -1;
    none = CreateWindowExA(0, TestClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           Instance(), nullptr);
    Answers().create = 0;
    Report("win.create.refused-in-create", "CreateWindowExA, WM_CREATE returns -1",
           Text("hwnd=%s log=%s", none ? "valid" : "NULL", Log().c_str()),
           "hwnd=NULL log=?:WM_NCCREATE ?:WM_NCCALCSIZE ?:WM_CREATE ?:WM_DESTROY ?:WM_NCDESTROY");

    Watch(CreationMessages);
    Answers().ncCreate = FALSE;
    none = CreateWindowExA(0, TestClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           Instance(), nullptr);
    Answers().ncCreate = TRUE;
    Report("win.create.refused-in-nccreate", "CreateWindowExA, WM_NCCREATE returns FALSE",
           Text("hwnd=%s log=%s", none ? "valid" : "NULL", Log().c_str()),
           "hwnd=NULL log=?:WM_NCCREATE ?:WM_NCDESTROY");
    WatchNothing();
}

void CheckChildAndOwner() {
    HWND parent = CreateTestWindow("parent");
    HWND child = CreateTestWindow("child", WS_CHILD, 5, 6, 50, 40, parent, 77);
    HWND owned = CreateTestWindow("owned", WS_POPUP, 0, 0, 50, 40, child);
    HWND alone = CreateTestWindow("alone");
    RECT r{};
    GetWindowRect(child, &r);
    Report("win.child.identity", "child of parent at 5,6 with id 77",
           Text("id=%d gwl-id=%ld parent=%s rect=%s", GetDlgCtrlID(child),
                static_cast<long>(GetWindowLongA(child, GWL_ID)),
                GetParent(child) == parent ? "parent" : "other", RectText(r).c_str()),
           "id=77 gwl-id=77 parent=parent rect=105,56,155,96");
    Report("win.child.style", "GetWindowLongA(child, GWL_STYLE)",
           Text("style=0x%08lX", Bits(GetWindowLongA(child, GWL_STYLE))),
           Text("style=0x%08lX", static_cast<unsigned long>(WS_CHILD)));
    // The owner of a popup created with a child as its parent is the child's
    // top-level window; GetParent gives the owner of a popup.
    Report("win.getparent", "GetParent(owned popup), GetParent(unowned popup)",
           Text("owned=%s alone=%s", GetParent(owned) == parent ? "parent" : "other",
                GetParent(alone) == nullptr ? "NULL" : "other"),
           "owned=parent alone=NULL");
    SetLastError(Unset);
    HWND none = GetParent(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFFFFF0)));
    Report("win.getparent.invalid", "GetParent(invalid)",
           Text("parent=%s error=%u", none ? "valid" : "NULL", GetLastError()),
           "parent=NULL error=1400");

    Watch({WM_DESTROY, WM_NCDESTROY});
    DestroyWindow(parent);
    // Owned windows go first, then the window, then its children.
    Report(
        "win.destroy.order", "DestroyWindow(parent of child, owner of popup)",
        Text("%s alive=%d%d%d", Log().c_str(), IsWindow(parent), IsWindow(child), IsWindow(owned)),
        "owned:WM_DESTROY owned:WM_NCDESTROY parent:WM_DESTROY child:WM_DESTROY "
        "child:WM_NCDESTROY parent:WM_NCDESTROY alive=000");
    WatchNothing();
    SetLastError(Unset);
    BOOL again = DestroyWindow(parent);
    Report("win.destroy.twice", "DestroyWindow(destroyed window)",
           Text("result=%d error=%u", again, GetLastError()), "result=0 error=1400");
    Report("win.iswindow", "IsWindow(live, destroyed, NULL)",
           Text("%d %d %d", IsWindow(alone), IsWindow(parent), IsWindow(nullptr)), "1 0 0");
    DestroyWindow(alone);
}

void CheckShowWindow() {
    HWND hwnd = CreateTestWindow("s", WS_POPUP, 600, 400, 100, 80);
    Watch({WM_SHOWWINDOW});
    BOOL was = ShowWindow(hwnd, SW_SHOW);
    std::string first = Log();
    ClearLog();
    BOOL wasAgain = ShowWindow(hwnd, SW_SHOW);
    std::string second = Log();
    Report("win.show", "ShowWindow(hidden, SW_SHOW) then (visible, SW_SHOW)",
           Text("%d %s visible=%d; %d %s", was, first.c_str(),
                (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0, wasAgain != 0, second.c_str()),
           "0 s:WM_SHOWWINDOW(1) visible=1; 1 -");
    ClearLog();
    was = ShowWindow(hwnd, SW_HIDE);
    first = Log();
    ClearLog();
    wasAgain = ShowWindow(hwnd, SW_HIDE);
    second = Log();
    Report("win.hide", "ShowWindow(visible, SW_HIDE) then (hidden, SW_HIDE)",
           Text("%d %s; %d %s", was != 0, first.c_str(), wasAgain, second.c_str()),
           "1 s:WM_SHOWWINDOW(0); 0 -");
    WatchNothing();
    SetLastError(Unset);
    BOOL bad = ShowWindow(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFFFFF0)), SW_SHOW);
    Report("win.show.invalid", "ShowWindow(invalid)",
           Text("result=%d error=%u", bad, GetLastError()), "result=0 error=1400");
    DestroyWindow(hwnd);
}

void CheckSetWindowPos() {
    HWND hwnd = CreateTestWindow("p", WS_POPUP, 100, 50, 300, 200);
    Watch({WM_MOVE, WM_SIZE});
    BOOL ok =
        SetWindowPos(hwnd, nullptr, 120, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT r{};
    GetWindowRect(hwnd, &r);
    Report("win.setwindowpos.move", "SetWindowPos(120,60, SWP_NOSIZE)",
           Text("ok=%d %s rect=%s", ok, Log().c_str(), RectText(r).c_str()),
           "ok=1 p:WM_MOVE(120,60) rect=120,60,420,260");
    ClearLog();
    ok = SetWindowPos(hwnd, nullptr, 0, 0, 200, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(hwnd, &r);
    Report("win.setwindowpos.size", "SetWindowPos(200x100, SWP_NOMOVE)",
           Text("ok=%d %s rect=%s", ok, Log().c_str(), RectText(r).c_str()),
           "ok=1 p:WM_SIZE(200x100) rect=120,60,320,160");
    ClearLog();
    ok = SetWindowPos(hwnd, nullptr, 1, 1, 1, 1,
                      SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Report("win.setwindowpos.nothing", "SetWindowPos(SWP_NOMOVE|SWP_NOSIZE)",
           Text("ok=%d %s", ok, Log().c_str()), "ok=1 -");
    WatchNothing();
    SetLastError(Unset);
    ok = SetWindowPos(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFFFFF0)), nullptr, 0, 0, 1,
                      1, SWP_NOZORDER);
    Report("win.setwindowpos.invalid", "SetWindowPos(invalid)",
           Text("ok=%d error=%u", ok, GetLastError()), "ok=0 error=1400");
    RECT none{1, 2, 3, 4};
    SetLastError(Unset);
    BOOL got = GetWindowRect(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFFFFF0)), &none);
    Report("win.getwindowrect.invalid", "GetWindowRect(invalid)",
           Text("ok=%d error=%u", got, GetLastError()), "ok=0 error=1400");
    DestroyWindow(hwnd);
}

void CheckTexts() {
    HWND hwnd = CreateTestWindow("t");
    Watch({WM_SETTEXT});
    BOOL ok = SetWindowTextA(hwnd, "Hello");
    Report("win.settext", "SetWindowTextA(\"Hello\")", Text("ok=%d %s", ok, Log().c_str()),
           "ok=1 t:WM_SETTEXT");
    WatchNothing();
    char buffer[16];
    std::memset(buffer, 0x5A, sizeof buffer);
    int count = GetWindowTextA(hwnd, buffer, sizeof buffer);
    Report("win.gettext", "GetWindowTextA(16)", Text("%d \"%s\"", count, buffer), "5 \"Hello\"");
    std::memset(buffer, 0x5A, sizeof buffer);
    count = GetWindowTextA(hwnd, buffer, 3);
    Report("win.gettext-truncated", "GetWindowTextA(3)", Text("%d \"%s\"", count, buffer),
           "2 \"He\"");
    std::memset(buffer, 0x5A, sizeof buffer);
    count = GetWindowTextA(hwnd, buffer, 0);
    Report("win.gettext-zero", "GetWindowTextA(0)",
           Text("%d first=%02x", count, static_cast<unsigned char>(buffer[0])), "0 first=5a");
    std::memset(buffer, 0x5A, sizeof buffer);
    SetLastError(Unset);
    count = GetWindowTextA(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFFFFF0)), buffer,
                           sizeof buffer);
    Report("win.gettext-invalid", "GetWindowTextA(invalid)",
           Text("%d first=%02x error=%u", count, static_cast<unsigned char>(buffer[0]),
                GetLastError()),
           "0 first=00 error=1400");
    LRESULT length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
    Report("win.defwindowproc.gettextlength", "SendMessageA(WM_GETTEXTLENGTH)",
           Text("%ld", static_cast<long>(length)), "5");
    DestroyWindow(hwnd);
}

void CheckQueries() {
    HWND hwnd = CreateTestWindow("FindMe");
    SetLastError(Unset);
    LONG bad = GetWindowLongA(hwnd, 12345);
    Report("win.getwindowlong.bad-index", "GetWindowLongA(12345)",
           Text("%ld error=%u", static_cast<long>(bad), GetLastError()), "0 error=1413");
    SetLastError(Unset);
    bad = GetWindowLongA(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFFFFF0)), GWL_STYLE);
    Report("win.getwindowlong.invalid", "GetWindowLongA(invalid, GWL_STYLE)",
           Text("%ld error=%u", static_cast<long>(bad), GetLastError()), "0 error=1400");

    CreateTestWindow("FindChild", WS_CHILD, 0, 0, 10, 10, hwnd, 3);
    Report("win.findwindow", "FindWindowA(class, \"findme\"), (NULL, child's name), (missing)",
           Text("%s %s %s", FindWindowA(TestClassName, "findme") == hwnd ? "found" : "other",
                FindWindowA(nullptr, "FindChild") == nullptr ? "NULL" : "found",
                FindWindowA(TestClassName, "Nobody") == nullptr ? "NULL" : "found"),
           "found NULL NULL");
    DestroyWindow(hwnd);
}

void CheckDesktopServices() {
    Report("win.metrics.screen", "GetSystemMetrics(SM_CXSCREEN, SM_CYSCREEN, 9999)",
           Text("%d %d %d", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                GetSystemMetrics(9999)),
           "1024 768 0");
    int hidden = ShowCursor(FALSE);
    int shown = ShowCursor(TRUE);
    Report("win.showcursor", "ShowCursor(FALSE), ShowCursor(TRUE)", Text("%d %d", hidden, shown),
           "-1 0");
    Report("win.messagebeep", "MessageBeep(MB_OK)", Text("%d", MessageBeep(MB_OK)), "1");
}

} // namespace

void RunWindowChecks() {
    CheckRegistration();
    CheckPlainRegistration();
    CheckCreation();
    CheckCaptionedWindow();
    CheckFailedCreation();
    CheckChildAndOwner();
    CheckShowWindow();
    CheckSetWindowPos();
    CheckTexts();
    CheckQueries();
    CheckDesktopServices();
}

} // namespace conformance
