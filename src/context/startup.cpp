// The program's entry: start-up in a fixed order, each step able to end the
// run with a message. There is no message loop: the first calibration window's
// creation returns only when every screen of the run is done.
#include <windows.h>

#include "config/config.h"
#include "context/command_line.h"
#include "context/context.h"
#include "context/platform.h"
#include "driver/driver.h"
#include "ui/calibrate_window.h"
#include "ui/dialogs.h"
#include "ui/texts.h"

namespace {

constexpr const char* ParamErrorTemplate = "ParamError";
constexpr const char* RegisterClassFailedText = "RegisterClass Function failed";

bool ReportInvalidOption(char* commandLine) {
    int failPosition = 0;
    if (ParseCommandLine(commandLine, &failPosition)) {
        return false;
    }
    LoadLocalizedString(Context.InstanceHandle, IDS_PARAM_ERROR_FORMAT, Context.TextBuffer,
                        TextLoadLimit);
    FormatParamError(commandLine, failPosition, Context.TextBuffer);
    DialogBoxParamA(Context.InstanceHandle, ParamErrorTemplate, nullptr, ParamErrorProc, 0);
    return true;
}

// A screen number beyond the range table is treated as a screen that is not
// installed: the table has no entry to place its window or save its values.
bool ChosenScreenIsInstalled() {
    return Context.ScreenCount > 0 && Context.ScreenIndex < Context.ScreenCount &&
           HasRangeEntry(Context.ScreenIndex);
}

bool OpenDriverOfVersion4() {
    if (OpenDriverDevice() == INVALID_HANDLE_VALUE) {
        ShowLocalizedWarning(IDS_OPEN_DRIVER_FAILED);
        return false;
    }
    if (GetDriverInfo() != DriverInterfaceVersion) {
        CloseDriverDevice();
        ShowLocalizedWarning(IDS_VERSION_MISMATCH);
        return false;
    }
    return true;
}

using RegisterClassExFunction = ATOM(WINAPI*)(const WNDCLASSEXA*);

// Where RegisterClassExA is missing (Win32s releases before it), the same
// class goes to RegisterClassA, which has no place for the small icon the
// class does not have anyway.
ATOM RegisterWindowClass(const WNDCLASSEXA& windowClass) {
    if (auto registerClassEx =
            SystemFunction<RegisterClassExFunction>(User32Name, "RegisterClassExA")) {
        return registerClassEx(&windowClass);
    }
    const WNDCLASSA plainClass{windowClass.style,        windowClass.lpfnWndProc,
                               windowClass.cbClsExtra,   windowClass.cbWndExtra,
                               windowClass.hInstance,    windowClass.hIcon,
                               windowClass.hCursor,      windowClass.hbrBackground,
                               windowClass.lpszMenuName, windowClass.lpszClassName};
    return RegisterClassA(&plainClass);
}

bool RegisterCalibrateClass() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = CalibrateWndProc;
    windowClass.hInstance = Context.InstanceHandle;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    windowClass.lpszClassName = CalibrateClassName;
    return RegisterWindowClass(windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    Context.InstanceHandle = instance;
    DetectPlatform();
    SelectLanguage();
    if (ReportInvalidOption(commandLine)) {
        return 0;
    }
    EnumerateScreens();
    if (!ChosenScreenIsInstalled()) {
        ShowLocalizedWarning(IDS_NO_SCREEN);
        return 0;
    }
    Context.Header.ScreenIndex = static_cast<std::uint16_t>(Context.ScreenIndex);
    if (!OpenDriverOfVersion4()) {
        Context.RunResult = 0;
        return 0;
    }
    if (!RegisterCalibrateClass()) {
        MessageBoxA(nullptr, RegisterClassFailedText, "", MB_ICONWARNING);
        // Not left open for the rest of the process, unlike a plain return.
        CloseDriverDevice();
        return 0;
    }
    Context.RunResult = 1;
    Context.DesktopWidth = GetSystemMetrics(SM_CXSCREEN);
    Context.DesktopHeight = GetSystemMetrics(SM_CYSCREEN);
    ComputeWindowGeometry(Context.ScreenIndex);
    CreateCalibrationWindow();
    if (!CloseDriverDevice()) {
        ShowLocalizedWarning(IDS_CLOSE_DRIVER_FAILED);
    }
    return Context.RunResult;
}
