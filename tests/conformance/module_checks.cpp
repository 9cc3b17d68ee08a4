// The loader: module handles by name (with or without the extension, in any
// case, with a trailing point, missing), and functions looked up in them by
// exact name, in the wrong module, or missing, against the addresses the
// program's own imports resolve to.
#include "conformance.h"

#include <initializer_list>

namespace conformance {

namespace {

template <typename Function> FARPROC Address(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

std::string ModuleText(HMODULE module) {
    return module != nullptr ? "valid" : "NULL";
}

// The handles of a module under several spellings of its name: all the one
// the first spelling gives.
void CheckSpellings(const char* name, const char* call, std::initializer_list<const char*> names) {
    HMODULE first = GetModuleHandleA(*names.begin());
    int same = 0;
    for (const char* spelling : names) {
        same += GetModuleHandleA(spelling) == first ? 1 : 0;
    }
    Report(name, call,
           Text("handle=%s same=%d/%d", ModuleText(first).c_str(), same,
                static_cast<int>(names.size())),
           Text("handle=valid same=%d/%d", static_cast<int>(names.size()),
                static_cast<int>(names.size())));
}

void CheckModuleHandles() {
    Report("module.program", "GetModuleHandleA(NULL)",
           Text("is-WinMain-instance=%d", GetModuleHandleA(nullptr) == Instance()),
           "is-WinMain-instance=1");
    // Without an extension, ".dll" is appended; names compare in any case.
    CheckSpellings("module.user32", "GetModuleHandleA(user32.dll, user32, USER32.DLL, User32.Dll)",
                   {"user32.dll", "user32", "USER32.DLL", "User32.Dll"});
    CheckSpellings("module.kernel32", "GetModuleHandleA(KERNEL32.DLL, kernel32, Kernel32.dll)",
                   {"KERNEL32.DLL", "kernel32", "Kernel32.dll"});
    HMODULE user32 = GetModuleHandleA("user32");
    HMODULE kernel32 = GetModuleHandleA("kernel32");
    Report("module.distinct", "GetModuleHandleA(user32), (kernel32), (NULL)",
           Text("user32!=kernel32=%d user32!=program=%d", user32 != kernel32,
                user32 != GetModuleHandleA(nullptr)),
           "user32!=kernel32=1 user32!=program=1");

    SetLastError(Unset);
    HMODULE missing = GetModuleHandleA("VintoqNoSuchModule.dll");
    DWORD missingError = GetLastError();
    SetLastError(Unset);
    HMODULE bare = GetModuleHandleA("VintoqNoSuchModule");
    Report("module.missing", "GetModuleHandleA(VintoqNoSuchModule.dll), (VintoqNoSuchModule)",
           Text("handle=%s error=%u handle=%s error=%u", ModuleText(missing).c_str(), missingError,
                ModuleText(bare).c_str(), GetLastError()),
           "handle=NULL error=126 handle=NULL error=126");

    // A trailing point says the name has no extension: no "user32" is loaded.
    SetLastError(Unset);
    HMODULE pointed = GetModuleHandleA("user32.");
    Report("module.trailing-point", "GetModuleHandleA(\"user32.\")",
           Text("handle=%s error=%u", ModuleText(pointed).c_str(), GetLastError()),
           "handle=NULL error=126");
}

// A lookup that must fail: its result and last error.
std::string Refused(HMODULE module, const char* function) {
    SetLastError(Unset);
    FARPROC found = GetProcAddress(module, function);
    return Text("%s/%u", found != nullptr ? "found" : "NULL", GetLastError());
}

void CheckLookups() {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    // The functions the program looks up at run time: the same addresses as
    // its imports of them resolve to.
    Report("proc.found",
           "GetProcAddress(user32: RegisterClassExA, DrawEdge; kernel32: "
           "DeviceIoControl) against the imports",
           Text("RegisterClassExA=%d DrawEdge=%d DeviceIoControl=%d",
                GetProcAddress(user32, "RegisterClassExA") == Address(&RegisterClassExA),
                GetProcAddress(user32, "DrawEdge") == Address(&DrawEdge),
                GetProcAddress(kernel32, "DeviceIoControl") == Address(&DeviceIoControl)),
           "RegisterClassExA=1 DrawEdge=1 DeviceIoControl=1");

    // The name must match the export exactly, case included.
    Report("proc.case", "GetProcAddress(user32: drawedge, REGISTERCLASSEXA, RegisterClassExa)",
           Refused(user32, "drawedge") + " " + Refused(user32, "REGISTERCLASSEXA") + " " +
               Refused(user32, "RegisterClassExa"),
           "NULL/127 NULL/127 NULL/127");
    Report("proc.wrong-module",
           "GetProcAddress(kernel32: DrawEdge; user32: DeviceIoControl; program: DrawEdge)",
           Refused(kernel32, "DrawEdge") + " " + Refused(user32, "DeviceIoControl") + " " +
               Refused(GetModuleHandleA(nullptr), "DrawEdge"),
           "NULL/127 NULL/127 NULL/127");
    Report("proc.missing", "GetProcAddress(user32: VintoqNoSuchFunction)",
           Refused(user32, "VintoqNoSuchFunction"), "NULL/127");
}

} // namespace

void RunModuleChecks() {
    CheckModuleHandles();
    CheckLookups();
}

} // namespace conformance
