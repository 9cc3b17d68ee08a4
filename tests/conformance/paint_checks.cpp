// Painting: InvalidateRect and the update region, UpdateWindow, BeginPaint
// and EndPaint with WM_ERASEBKGND, GetDC and ReleaseDC, drawing on a window.
#include "test_window.h"

namespace conformance {

namespace {

const HWND Invalid = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFFFFF0));
constexpr COLORREF ClrInvalid = 0xFFFFFFFF;

std::string painted;

// The test window paints by the book and notes what BeginPaint gave it.
bool Paints(HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != WM_PAINT) {
        return false;
    }
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd, &ps);
    painted += Text("[rcPaint=%ld,%ld,%ld,%ld fErase=%d dc=%s]", static_cast<long>(ps.rcPaint.left),
                    static_cast<long>(ps.rcPaint.top), static_cast<long>(ps.rcPaint.right),
                    static_cast<long>(ps.rcPaint.bottom), ps.fErase != FALSE,
                    dc == ps.hdc && dc != nullptr ? "hdc" : "other");
    EndPaint(hwnd, &ps);
    *result = 0;
    return true;
}

std::string PaintLog() {
    return Log() + (painted.empty() ? "" : " " + painted);
}

void Reset() {
    painted.clear();
    ClearLog();
}

void CheckUpdateWindow(HWND hwnd) {
    Reset();
    RECT area{10, 10, 20, 20};
    InvalidateRect(hwnd, &area, TRUE);
    UpdateWindow(hwnd);
    Report("paint.updatewindow", "InvalidateRect(10,10,20,20, erase), UpdateWindow", PaintLog(),
           "p:WM_PAINT p:WM_ERASEBKGND [rcPaint=10,10,20,20 fErase=0 dc=hdc]");
    Reset();
    UpdateWindow(hwnd);
    Report("paint.updatewindow-valid", "UpdateWindow with nothing to paint", PaintLog(), "-");

    Reset();
    RECT first{10, 10, 20, 20}, second{50, 30, 60, 40};
    InvalidateRect(hwnd, &first, FALSE);
    InvalidateRect(hwnd, &second, FALSE);
    UpdateWindow(hwnd);
    Report("paint.union", "InvalidateRect twice without erase, UpdateWindow", PaintLog(),
           "p:WM_PAINT [rcPaint=10,10,60,40 fErase=0 dc=hdc]");

    Reset();
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    Report("paint.whole-client", "InvalidateRect(NULL), UpdateWindow", PaintLog(),
           "p:WM_PAINT [rcPaint=0,0,200,150 fErase=0 dc=hdc]");
}

void CheckPaintMessage(HWND hwnd) {
    Reset();
    InvalidateRect(hwnd, nullptr, FALSE);
    MSG msg{};
    BOOL found = PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE);
    std::string peeked = found ? MessageName(msg.message) : "none";
    if (found) {
        DispatchMessageA(&msg);
    }
    BOOL more = PeekMessageA(&msg, hwnd, WM_PAINT, WM_PAINT, PM_REMOVE);
    Report("paint.queued", "InvalidateRect, PeekMessageA, DispatchMessageA, PeekMessageA",
           Text("%s %s then %s", peeked.c_str(), PaintLog().c_str(), more ? "WM_PAINT" : "none"),
           "WM_PAINT p:WM_PAINT [rcPaint=0,0,200,150 fErase=0 dc=hdc] then none");

    SetLastError(Unset);
    BOOL bad = InvalidateRect(Invalid, nullptr, TRUE);
    Report("paint.invalidaterect.invalid", "InvalidateRect(invalid)",
           Text("result=%d error=%u", bad, GetLastError()), "result=0 error=1400");
}

void CheckHiddenWindow() {
    HWND hidden = CreateTestWindow("h", WS_POPUP, 0, 0, 50, 50);
    Reset();
    InvalidateRect(hidden, nullptr, TRUE);
    UpdateWindow(hidden);
    Report("paint.hidden", "InvalidateRect, UpdateWindow on a hidden window", PaintLog(), "-");
    DestroyWindow(hidden);
}

void CheckWindowDc(HWND hwnd) {
    HDC dc = GetDC(hwnd);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT area{0, 0, 20, 20};
    int filled = FillRect(dc, &area, red);
    COLORREF inside = GetPixel(dc, 5, 5);
    COLORREF outside = GetPixel(dc, 500, 5);
    int released = ReleaseDC(hwnd, dc);
    int again = ReleaseDC(hwnd, dc);
    DeleteObject(red);
    Report("paint.getdc", "GetDC(w), FillRect red, GetPixel in and beyond the client, ReleaseDC x2",
           Text("dc=%s fill=%d inside=0x%06lX outside=%s released=%d again=%d",
                dc != nullptr ? "valid" : "NULL", filled != 0, static_cast<unsigned long>(inside),
                outside == ClrInvalid ? "CLR_INVALID" : "colour", released, again),
           "dc=valid fill=1 inside=0x0000FF outside=CLR_INVALID released=1 again=0");

    HDC screen = GetDC(nullptr);
    Report(
        "paint.getdc-screen", "GetDC(NULL), ReleaseDC(NULL)",
        Text("dc=%s released=%d", screen != nullptr ? "valid" : "NULL", ReleaseDC(nullptr, screen)),
        "dc=valid released=1");
}

} // namespace

void RunPaintChecks() {
    HWND hwnd = CreateTestWindow("p", WS_POPUP, 700, 500, 200, 150);
    ShowWindow(hwnd, SW_SHOW);
    Drain(100);
    Answers().handler = Paints;
    Watch({WM_PAINT, WM_ERASEBKGND});
    CheckUpdateWindow(hwnd);
    CheckPaintMessage(hwnd);
    CheckHiddenWindow();
    WatchNothing();
    Answers().handler = nullptr;
    CheckWindowDc(hwnd);
    DestroyWindow(hwnd);
    Drain();
}

} // namespace conformance
