// A window for a test to draw on or send messages to: a class of the
// program's instance registered with the test's procedure, and popups of it.
// The tests of the emulated desktop and of the program's drawing each need
// one, and each would otherwise write the registration out.
#pragma once

#include <windows.h>

#include "emu/machine.h"

namespace test {

struct TestClass {
    const char* name = "TestWindow";
    WNDPROC proc = DefWindowProcA;
    HBRUSH background = nullptr;
    UINT style = 0;
};

// 0 when the class cannot be registered (a test asserts on it).
inline ATOM RegisterTestClass(const TestClass& cls) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = cls.style;
    wc.lpfnWndProc = cls.proc;
    wc.hInstance = emu::ProgramInstance();
    wc.hbrBackground = cls.background;
    wc.lpszClassName = cls.name;
    return RegisterClassExA(&wc);
}

// The light grey that the program's calibration window is cleared with.
inline HBRUSH LightGreyBrush() {
    return static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
}

// A WS_POPUP window of the class (no frame: the client area is the window),
// not shown unless extraStyle has WS_VISIBLE.
inline HWND OpenPopup(const char* className, int x, int y, int width, int height,
                      DWORD extraStyle = 0, HWND owner = nullptr, LPVOID param = nullptr) {
    return CreateWindowExA(0, className, "", WS_POPUP | extraStyle, x, y, width, height, owner,
                           nullptr, emu::ProgramInstance(), param);
}

} // namespace test
