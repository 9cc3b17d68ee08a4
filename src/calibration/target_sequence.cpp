#include "calibration/target_sequence.h"

#include "calibration/calibration_math.h"
#include "calibration/drawing.h"
#include "config/config.h"
#include "context/context.h"
#include "driver/driver.h"
#include "ui/calibrate_window.h"
#include "ui/dialogs.h"

namespace {

constexpr const char* CalibTestTemplate = "CalibTest";
constexpr const char* EnableQueueingFailedText =
    "Enable point queueing function to Windows failed.";
constexpr const char* SetCalibrationFailedText = "Calibrate I/O control failed.";
constexpr const char* RequestResultFormat = "IoctlResult = %u:\n";
constexpr int TargetCount = 3;

enum class AttemptOutcome { Aborted, Refused, Accepted };

struct ClientPoint {
    int X = 0;
    int Y = 0;
};

// A target's desktop position minus the window's. A window placed near the
// end of the 32-bit range wraps its target positions, as the arithmetic does;
// taking the difference in the same wrapping arithmetic gives back the
// target's offset into the window, which always fits.
int ClientOffset(std::int32_t desktop, std::int32_t windowOrigin) {
    return static_cast<int>(static_cast<std::uint32_t>(desktop) -
                            static_cast<std::uint32_t>(windowOrigin));
}

// Upper left, lower right, upper right, in client coordinates.
void TargetPoints(ClientPoint (&points)[TargetCount]) {
    TargetPositions targets = ComputeTargetPositions(CurrentWindowRect());
    int left = ClientOffset(targets.TargetLeftX, Context.WindowLeft);
    int right = ClientOffset(targets.TargetRightX, Context.WindowLeft);
    int top = ClientOffset(targets.TargetTopY, Context.WindowTop);
    int bottom = ClientOffset(targets.TargetBottomY, Context.WindowTop);
    points[0] = {left, top};
    points[1] = {right, bottom};
    points[2] = {right, top};
}

// The store holds one block, so the previous target's background goes back
// before the next target's is saved.
void PresentTarget(const BackgroundStore& store, HDC dc, const ClientPoint* previous,
                   ClientPoint target) {
    if (previous != nullptr) {
        RestoreTargetBackground(store, dc, previous->X, previous->Y);
    }
    SaveTargetBackground(store, dc, target.X, target.Y);
    DrawTarget(dc, target.X, target.Y, TargetRadius);
}

bool CaptureTouches(const BackgroundStore& store, HDC dc, const ClientPoint (&points)[TargetCount],
                    TouchPoint (&touches)[TargetCount]) {
    PresentTarget(store, dc, nullptr, points[0]);
    DisablePointQueueing();
    for (int i = 0; i < TargetCount; ++i) {
        if (i > 0) {
            PresentTarget(store, dc, &points[i - 1], points[i]);
        }
        if (!WaitForTouch()) {
            return false;
        }
        touches[i] = {Context.LastTouchX, Context.LastTouchY};
    }
    RestoreTargetBackground(store, dc, points[TargetCount - 1].X, points[TargetCount - 1].Y);
    return true;
}

// The two message boxes shown when a driver request fails.
void ShowRequestFailure(const char* text, BOOL result) {
    MessageBoxA(nullptr, text, "", MB_ICONWARNING);
    wsprintfA(Context.TextBuffer, RequestResultFormat, static_cast<unsigned>(result));
    MessageBoxA(nullptr, Context.TextBuffer, "", MB_OK);
}

void StoreResult(const CalibrationResult& result) {
    Context.XLow = result.XLow;
    Context.XHigh = result.XHigh;
    Context.YLow = result.YLow;
    Context.YHigh = result.YHigh;
}

// Point queueing must be back on before the new calibration goes out, so that
// the user can try the cursor in the dialog that follows.
bool HandCalibrationToDriver(const TouchPoint (&touches)[TargetCount]) {
    const ScreenRange unfilled{};
    const ScreenRange& range = HasRangeEntry(Context.ScreenIndex)
                                   ? Context.ScreenRangeTable[Context.ScreenIndex]
                                   : unfilled;
    StoreResult(ComputeCalibration(CurrentWindowRect(), touches[0], touches[1], touches[2], range,
                                   Context.Header, Context.Calibration));
    BOOL result = EnablePointQueueing();
    if (!result) {
        ShowRequestFailure(EnableQueueingFailedText, result);
        return false;
    }
    result = SetCalibration();
    if (!result) {
        ShowRequestFailure(SetCalibrationFailedText, result);
        return false;
    }
    return true;
}

// A time-out that fell while the dialog was open accepts the attempt whatever
// the dialog returned: the user walked away from a calibration that the driver
// already uses.
bool AskUserToAccept(HWND window) {
    ShowCursor(TRUE);
    SendBeepControl(0);
    INT_PTR answer =
        DialogBoxParamA(Context.InstanceHandle, CalibTestTemplate, window, CalibTestProc, 0);
    SendBeepControl(1);
    bool timedOut = Context.TimeoutSeconds != 0 && Context.ElapsedSeconds >= Context.TimeoutSeconds;
    bool accepted = answer == IDOK || timedOut;
    if (!accepted) {
        InvalidateRect(Context.CalibrationWindow, nullptr, TRUE);
        SendPaint();
    }
    ShowCursor(FALSE);
    return accepted;
}

AttemptOutcome RunAttempt(HWND window, const BackgroundStore& store, HDC dc) {
    ClientPoint points[TargetCount];
    TargetPoints(points);
    TouchPoint touches[TargetCount];
    DrawInstructionPanel(dc);
    if (!CaptureTouches(store, dc, points, touches) || !HandCalibrationToDriver(touches)) {
        return AttemptOutcome::Aborted;
    }
    return AskUserToAccept(window) ? AttemptOutcome::Accepted : AttemptOutcome::Refused;
}

void EndTouchWait() {
    BOOL result = EnablePointQueueing();
    if (!result) {
        ShowRequestFailure(EnableQueueingFailedText, result);
    }
}

} // namespace

void RunCalibration(HWND window) {
    SendPaint();
    HDC dc = GetDC(Context.CalibrationWindow);
    SendPaint();
    ReadBeepSettings();
    BackgroundStore store;
    CreateBackgroundStore(store, dc);
    AttemptOutcome outcome = AttemptOutcome::Refused;
    while (outcome == AttemptOutcome::Refused) {
        outcome = RunAttempt(window, store, dc);
    }
    bool aborted = outcome == AttemptOutcome::Aborted;
    if (!aborted) {
        SaveCalibration(Context.Header.ScreenIndex);
    }
    ReleaseBackgroundStore(store);
    ReleaseDC(Context.CalibrationWindow, dc);
    Context.RunResult = aborted ? 0 : 1;
}

int WaitForTouch() {
    BeginTouchWait();
    for (;;) {
        RawTouchReply reply{Context.Header};
        GetRawTouch(reply);
        // Only the flag decides: a touch at raw (0, 0) is a touch.
        if (reply.TouchFlag != 0) {
            Context.LastTouchX = reply.RawX;
            Context.LastTouchY = reply.RawY;
            MessageBeep(MB_OK);
            return 1;
        }
        MSG message;
        if (!PeekMessageA(&message, Context.CalibrationWindow, 0, 0, PM_REMOVE)) {
            continue;
        }
        // Nothing is dispatched while a target waits: Esc and the idle timer
        // are handled here, everything else is dropped.
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
            EndTouchWait();
            return 0;
        }
        if (message.message == WM_TIMER && ++Context.ElapsedSeconds >= Context.TimeoutSeconds) {
            EndTouchWait();
            KillTimer(Context.CalibrationWindow, IdleTimerId);
            return 0;
        }
    }
}
