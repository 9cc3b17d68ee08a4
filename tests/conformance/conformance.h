// The conformance program: every Win32 function of the emulated desktop,
// called as the Windows documentation describes it, each observation printed
// beside the documented expectation. The same source is built against the
// emulated desktop and, with MinGW-w64, as a Windows program run under Wine;
// the two reports are compared line by line.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Constants of the SDK that the emulated desktop's headers leave out, with
// their SDK values.
#ifndef ERROR_BAD_PATHNAME
#define ERROR_BAD_PATHNAME 161L
#endif
#ifndef ERROR_NOACCESS
#define ERROR_NOACCESS 998L
#endif
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413L
#endif
#ifndef ERROR_TLW_WITH_WSCHILD
#define ERROR_TLW_WITH_WSCHILD 1406L
#endif
#ifndef ERROR_CONTROL_ID_NOT_FOUND
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#endif
#ifndef ERROR_INVALID_DATA
#define ERROR_INVALID_DATA 13L
#endif

namespace conformance {

// What a last error or an output is set to before a call, to see whether the
// call wrote it.
constexpr DWORD Unset = 0xDEADBEEF;

// Styles of the SDK that the emulated headers leave out, which the window
// manager and the dialog manager both add.
constexpr DWORD ClipSiblings = 0x04000000; // WS_CLIPSIBLINGS
constexpr DWORD ExWindowEdge = 0x00000100; // WS_EX_WINDOWEDGE

// One check: its name, the call as written, what was observed and what the
// documentation says, in the same words, so that they can be compared.
void Report(const std::string& name, const std::string& call, const std::string& observed,
            const std::string& expected);
// printf-style formatting into a string.
std::string Text(const char* format, ...);
int CheckCount();
int DisagreementCount();

// The instance whose resources the program carries (the product's resource
// script: string tables, dialog templates, the icon).
HINSTANCE Instance();
void SetInstance(HINSTANCE instance);

// Windows, messages and timers need time to pass: Sleep on Windows, the
// virtual clock on the emulated desktop; both go through Sleep.
void Pump(DWORD milliseconds);

void RunKernelChecks();
void RunModuleChecks();
void RunLocaleChecks();
void RunRegistryChecks();
void RunFormatChecks();
void RunResourceChecks();
void RunWindowChecks();
void RunMessageChecks();
void RunPaintChecks();
void RunGdiChecks();
void RunDialogChecks();
void RunMessageBoxChecks();

} // namespace conformance
