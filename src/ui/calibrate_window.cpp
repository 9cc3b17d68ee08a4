#include "ui/calibrate_window.h"

#include "calibration/target_sequence.h"
#include "context/context.h"

namespace {

constexpr const char* TimerFailedText = "Could not set a timer!";

// With every installed screen to calibrate, the next screen's window is created
// from inside this one's creation, so the chain is a chain of nested creations.
// It ends where the range table ends.
bool NextScreenFollows() {
    return Context.UseStoredRanges != 0 && Context.ScreenIndex < Context.ScreenCount &&
           HasRangeEntry(Context.ScreenIndex);
}

void StartIdleTimer(HWND window) {
    if (Context.TimeoutSeconds != 0 &&
        SetTimer(window, IdleTimerId, IdleTimerPeriod, nullptr) == 0) {
        MessageBoxA(nullptr, TimerFailedText, "", MB_ICONWARNING);
    }
}

// The whole calibration of this window's screen runs inside its creation; when
// the start message returns, the window is gone.
void OnCreate(HWND window) {
    Context.Header.ScreenIndex = static_cast<std::uint16_t>(Context.ScreenIndex);
    Context.CalibrationWindow = window;
    ShowWindow(window, SW_SHOWDEFAULT);
    UpdateWindow(window);
    ShowCursor(FALSE);
    Context.ElapsedSeconds = 0;
    StartIdleTimer(window);
    SendMessageA(Context.CalibrationWindow, StartCalibrationMessage, 0, 0);
    ShowCursor(TRUE);
    ++Context.ScreenIndex;
    if (NextScreenFollows()) {
        Context.RunResult = 1;
        ComputeWindowGeometry(Context.ScreenIndex);
        CreateCalibrationWindow();
    }
}

void OnStartCalibration() {
    RunCalibration(Context.CalibrationWindow);
    DestroyWindow(Context.CalibrationWindow);
}

// Ticks reach the window only through the modal loops of dialogs and message
// boxes; while a target waits, WaitForTouch counts them itself.
void OnIdleTick() {
    if (++Context.ElapsedSeconds >= Context.TimeoutSeconds) {
        KillTimer(Context.CalibrationWindow, IdleTimerId);
        DestroyWindow(Context.CalibrationWindow);
    }
}

void ValidateWithoutDrawing(HWND window) {
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
}

} // namespace

HWND CreateCalibrationWindow() {
    const WindowRect place = CurrentWindowRect();
    return CreateWindowExA(0, CalibrateClassName, "", WS_POPUP, place.Left, place.Top, place.Width,
                           place.Height, nullptr, nullptr, Context.InstanceHandle, nullptr);
}

WindowRect CurrentWindowRect() {
    return {Context.WindowLeft, Context.WindowTop, Context.WindowWidth, Context.WindowHeight};
}

LRESULT CALLBACK CalibrateWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case StartCalibrationMessage: OnStartCalibration(); return 0;
    case WM_TIMER: OnIdleTick(); return 0;
    case WM_PAINT: ValidateWithoutDrawing(window); return 0;
    case WM_DESTROY:
        KillTimer(window, IdleTimerId);
        return DefWindowProcA(window, message, wParam, lParam);
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
