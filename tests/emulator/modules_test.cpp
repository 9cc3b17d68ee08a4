// The loader and locale services of the emulated desktop: what a program that
// looks functions up at run time, or asks for its user's locale, gets back.
#include "support/machine_test.h"

#include "emu/gdi.h"

#include <string>

namespace {

using ModulesTest = MachineTest;

TEST_F(ModulesTest, LookedUpFunctionsAndWhereTheyAreMissing) {
    EXPECT_EQ(GetModuleHandleA(nullptr), emu::ProgramInstance());
    EXPECT_EQ(GetModuleHandleA("NOSUCH"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    for (emu::Platform platform :
         {emu::Platform::WindowsNT, emu::Platform::Windows9x, emu::Platform::Win32s}) {
        emu::Machine().platform = platform;
        HMODULE user32 = GetModuleHandleA("user32.dll");
        ASSERT_NE(user32, nullptr);
        ASSERT_EQ(GetModuleHandleA("USER32"), user32);
        const bool present = platform != emu::Platform::Win32s;
        EXPECT_EQ(GetProcAddress(user32, "RegisterClassExA") != nullptr, present);
        EXPECT_EQ(GetProcAddress(user32, "DrawEdge") != nullptr, present);
        EXPECT_EQ(GetProcAddress(user32, "drawedge"), nullptr); // names are exact
        EXPECT_EQ(GetProcAddress(emu::ProgramInstance(), "DrawEdge"), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
        // Device I/O stays on the emulated Win32s, so that its runs reach the driver.
        HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
        ASSERT_NE(kernel32, nullptr);
        EXPECT_NE(kernel32, user32);
        EXPECT_EQ(GetProcAddress(kernel32, "DeviceIoControl"),
                  reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&DeviceIoControl)));
        EXPECT_EQ(GetProcAddress(user32, "DeviceIoControl"), nullptr);
        EXPECT_EQ(GetProcAddress(kernel32, "DrawEdge"), nullptr);
    }
    emu::Machine().platform = emu::Platform::WindowsNT;
    using DrawEdgeFunction = BOOL(WINAPI*)(HDC, LPRECT, UINT, UINT);
    auto drawEdge = reinterpret_cast<DrawEdgeFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("USER32"), "DrawEdge")));
    EXPECT_EQ(drawEdge, &DrawEdge);
}

TEST_F(ModulesTest, RegisterClassAIsRegisterClassExAWithoutASmallIcon) {
    WNDCLASSA plain{};
    plain.lpfnWndProc = DefWindowProcA;
    plain.hInstance = emu::ProgramInstance();
    plain.lpszClassName = "Plain";
    EXPECT_NE(RegisterClassA(&plain), 0);
    EXPECT_EQ(RegisterClassA(&plain), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    EXPECT_EQ(RegisterClassA(nullptr), 0);
    HWND window = CreateWindowExA(0, "plain", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  emu::ProgramInstance(), nullptr);
    EXPECT_NE(window, nullptr);
    DestroyWindow(window);
}

TEST_F(ModulesTest, LocaleInformationFollowsTheBufferContract) {
    emu::Machine().localeName = "Portuguese_Brazil.1252";
    char buffer[16];
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, nullptr, 0), 11);
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, buffer, 11), 11);
    EXPECT_STREQ(buffer, "Portuguese");
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SENGCOUNTRY, buffer, 16), 7);
    EXPECT_STREQ(buffer, "Brazil");
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, buffer, 16), 5);
    EXPECT_STREQ(buffer, "1252");

    // One character short: nothing is written.
    buffer[0] = 'x';
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, buffer, 10), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(buffer[0], 'x');
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, 0x7777, buffer, 16), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
    EXPECT_EQ(GetLocaleInfoA(0xBEEF, LOCALE_SENGLANGUAGE, buffer, 16), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, nullptr, 16), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ModulesTest, ExplicitLocalesDoNotFollowTheMachine) {
    emu::Machine().localeName = "Portuguese_Brazil.1252";
    char buffer[16];
    EXPECT_EQ(GetLocaleInfoA(0x0816, LOCALE_SENGCOUNTRY, buffer, 16), 9);
    EXPECT_STREQ(buffer, "Portugal");
    EXPECT_EQ(GetLocaleInfoA(0x0407, LOCALE_SENGLANGUAGE, buffer, 16), 7);
    EXPECT_STREQ(buffer, "German");
    // Without a default locale on the machine, explicit ones still answer.
    emu::Machine().localeName.clear();
    EXPECT_EQ(GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SENGLANGUAGE, buffer, 16), 0);
    EXPECT_EQ(GetLocaleInfoA(0x0C0A, LOCALE_IDEFAULTANSICODEPAGE, buffer, 16), 5);
    EXPECT_STREQ(buffer, "1252");
}

TEST_F(ModulesTest, FrameRectDrawsOnePixelInsideTheRectangle) {
    HDC desktop = GetDC(nullptr);
    const HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const RECT frame{10, 20, 14, 23};
    const std::uint32_t background = emu::DesktopPixel(12, 21);
    EXPECT_NE(FrameRect(desktop, &frame, black), 0);
    for (int y = 19; y <= 23; ++y) {
        for (int x = 9; x <= 14; ++x) {
            const bool inside = x >= 10 && x < 14 && y >= 20 && y < 23;
            const bool edge = inside && (x == 10 || x == 13 || y == 20 || y == 22);
            EXPECT_EQ(emu::DesktopPixel(x, y), edge ? 0u : background) << x << "," << y;
        }
    }
    const RECT empty{10, 20, 10, 30};
    EXPECT_EQ(FrameRect(desktop, &empty, black), 0);
    ReleaseDC(nullptr, desktop);
}

} // namespace
