// The one process-wide record that every operation of the program works on.
// It holds all state of a run; nothing is allocated anywhere else.
#pragma once

#include <windows.h>

#include <cstdint>

#include "context/screen_range.h"
#include "driver/driver_records.h"

constexpr int MaxScreens = 16;
constexpr int TextBufferSize = 512;

// DeviceIoControl, looked up at run time (see FindSystemFunction).
using DeviceIoControlFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                                              LPOVERLAPPED);

// Platform kinds as DetectPlatform sets them.
constexpr std::int32_t PlatformWindowsNT = 0;
constexpr std::int32_t PlatformWindows9x = 1;
constexpr std::int32_t PlatformWin32s = 2;

struct CalibrationContext {
    // Selection and settings (command line, registry)
    std::int32_t ScreenIndex = 0;
    std::int32_t ScreenCount = 0;
    std::int32_t RangeEntryCount = 0;
    std::int32_t UseStoredRanges = 1;
    std::int32_t GridColumns = 1;
    std::int32_t GridRows = 1;
    std::int32_t GridColumn = 1;
    std::int32_t GridRow = 1;
    std::int32_t TimeoutSeconds = 60;
    std::int32_t ElapsedSeconds = 0;
    std::int32_t LanguageIndex = 0;

    // Platform
    std::int32_t PlatformKind = PlatformWindowsNT;
    std::uint32_t MaxCoordinate = 0;
    std::uint32_t FullScale = 0;
    std::int32_t DesktopWidth = 0;
    std::int32_t DesktopHeight = 0;

    // Calibration window geometry, desktop pixels
    std::int32_t WindowWidth = 640;
    std::int32_t WindowHeight = 480;
    std::int32_t WindowLeft = 0;
    std::int32_t WindowTop = 0;

    // Results and raw input
    std::int32_t XLow = -1;
    std::int32_t XHigh = 0;
    std::int32_t YLow = 0;
    std::int32_t YHigh = 0;
    std::uint32_t LastTouchX = 0;
    std::uint32_t LastTouchY = 0;
    std::int32_t RunResult = 0;

    // Handles
    HINSTANCE InstanceHandle = nullptr;
    HANDLE DeviceHandle = INVALID_HANDLE_VALUE;
    HWND CalibrationWindow = nullptr;
    // Null where the system has no device I/O.
    DeviceIoControlFunction DeviceControl = nullptr;

    // Text buffers
    char TextBuffer[TextBufferSize] = {};
    char ParamErrorMessage[TextBufferSize] = {};

    ScreenRange ScreenRangeTable[MaxScreens] = {};

    // Driver records
    RequestHeader Header;
    CalibrationRecord Calibration;
    BeepRecord Beep;
};

extern CalibrationContext Context;

// Whether a screen number has an entry in the range table. Screen numbers come
// from the registry and the command line without an upper bound; the table
// ends at MaxScreens and is never indexed beyond it.
constexpr bool HasRangeEntry(std::int32_t screen) {
    return screen >= 0 && screen < MaxScreens;
}

// Places the calibration window of a screen from its range table entry, the
// desktop size and FullScale.
void ComputeWindowGeometry(std::int32_t screen);
