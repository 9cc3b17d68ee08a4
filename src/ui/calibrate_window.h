// The calibration window: one per screen, with the whole calibration of its
// screen run from inside its creation.
#pragma once

#include <windows.h>

#include "calibration/calibration_math.h"

constexpr const char* CalibrateClassName = "Calibrate";
constexpr UINT StartCalibrationMessage = 451; // private, below WM_USER
constexpr UINT_PTR IdleTimerId = 19;
constexpr UINT IdleTimerPeriod = 1000;

LRESULT CALLBACK CalibrateWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Creates the calibration window for ScreenIndex at the current geometry.
HWND CreateCalibrationWindow();
// Where the calibration window lies on the desktop: the current geometry.
WindowRect CurrentWindowRect();
