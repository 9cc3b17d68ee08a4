// What the Windows the program runs on offers beyond the functions that every
// Win32 platform has.
#pragma once

#include <windows.h>

// Sets PlatformKind, MaxCoordinate and FullScale from GetVersion.
void DetectPlatform();

constexpr const char* Kernel32Name = "KERNEL32";
constexpr const char* User32Name = "USER32";

// A system function looked up at run time rather than imported, so that the
// program still loads where the system lacks it (Win32s, whose reference marks
// device I/O as not supported, and its releases before RegisterClassExA and
// DrawEdge); null there. Function is the pointer type to call it through.
FARPROC FindSystemFunction(const char* module, const char* name);

template <typename Function> Function SystemFunction(const char* module, const char* name) {
    // Through the one function type that converts to any other unchecked.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(FindSystemFunction(module, name)));
}
