// The process entry of the Windows program, which carries no C runtime:
// Windows 95 and Win32s have no msvcrt.dll, and the program needs little of
// one. This does what the runtime's start-up did for it, then ends the
// process with WinMain's result.
#include <windows.h>

#include "context/command_line_tail.h"

namespace {

// As a fresh Windows NT thread has it: 53-bit precision, rounding to nearest,
// every exception masked. Windows 95 and other runtimes' start-up may leave
// 64-bit precision behind. The calibration does its double arithmetic in
// integers and does not depend on it, but nothing else should find the unit
// in another state than the platform's own.
constexpr WORD FpuControlWord = 0x027F;

void SetFpuControlWord() {
    WORD controlWord = FpuControlWord;
    asm volatile("fldcw %0" : : "m"(controlWord));
}

using StaticInitialiser = void (*)();

} // namespace

// Laid out by the linker: -1, the initialisers of every object file in link
// order, 0.
extern "C" StaticInitialiser __CTOR_LIST__[];

namespace {

// Last to first, as GCC's own start-up runs them.
void RunStaticInitialisers() {
    int count = 0;
    while (__CTOR_LIST__[count + 1] != nullptr) {
        ++count;
    }
    for (; count > 0; --count) {
        __CTOR_LIST__[count]();
    }
}

} // namespace

extern "C" [[noreturn]] void ProcessEntry() {
    SetFpuControlWord();
    RunStaticInitialisers();
    char* commandLine = CommandLineTail(GetCommandLineA());
    const int result = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
    ExitProcess(static_cast<UINT>(result));
}
