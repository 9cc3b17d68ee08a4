// What the Windows the program runs on offers beyond the functions that every
// Win32 platform has.
#pragma once

#include <windows.h>

// A USER32 function that came with Windows 95 and Windows NT 4.0, looked up
// at run time so that the program still loads where it is missing (Win32s);
// null there. Function is the pointer type to call it through.
FARPROC FindUser32Function(const char* name);

template <typename Function> Function User32Function(const char* name) {
    // Through the one function type that converts to any other unchecked.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(FindUser32Function(name)));
}
