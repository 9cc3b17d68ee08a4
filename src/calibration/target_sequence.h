// One screen's calibration: targets, touch capture, the driver exchange, the
// user's verdict and the saving of the result.
#pragma once

#include <windows.h>

constexpr int TargetRadius = 25;

// Calibrates the screen of the given window; leaves the outcome in RunResult.
void RunCalibration(HWND window);
// Polls the driver for one touch while watching the window's queue for Esc and
// timer ticks. 1: LastTouchX/LastTouchY hold the touch; 0: abandoned.
int WaitForTouch();
