// The conformance program on the emulated desktop: a freshly booted machine
// (1024 x 768, as the Wine display), the registry of fixture.reg, then the
// program's WinMain as Windows would call it.
#include <windows.h>

#include "emu/machine.h"
#include "emu/registry.h"

#include <cstdio>

int main() {
    emu::Reset();
    emu::RegFileResult fixture = emu::LoadRegFile(VINTOQ_CONFORMANCE_FIXTURE);
    if (!fixture.ok) {
        std::fprintf(stderr, "%s: %s\n", VINTOQ_CONFORMANCE_FIXTURE, fixture.error.c_str());
        return 2;
    }
    char commandLine[] = "";
    int disagreements = WinMain(emu::ProgramInstance(), nullptr, commandLine, SW_SHOWDEFAULT);
    return disagreements == 0 ? 0 : 1;
}
