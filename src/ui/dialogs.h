// The CalibTest and ParamError dialogs.
#pragma once

#include <windows.h>

INT_PTR CALLBACK CalibTestProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ParamErrorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Moves the dialog so that it is centred over the reference window and lies
// on the desktop.
void CenterDialog(HWND reference, HWND dialog);
