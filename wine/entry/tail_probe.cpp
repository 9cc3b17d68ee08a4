// Started by tail_check.exe with a crafted command line: writes what the
// MinGW C runtime handed WinMain and what CommandLineTail makes of the same
// command line, both in hex, one line, to the file named by VINTOQ_TAIL_OUT.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "context/command_line_tail.h"

namespace {

void PrintHex(std::FILE* out, const char* text) {
    for (; *text != '\0'; ++text) {
        std::fprintf(out, "%02x", static_cast<unsigned char>(*text));
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR runtimeTail, int) {
    const char* path = std::getenv("VINTOQ_TAIL_OUT");
    std::FILE* out = path == nullptr ? nullptr : std::fopen(path, "w");
    if (out == nullptr) {
        return 2;
    }
    std::fputs("runtime=", out);
    PrintHex(out, runtimeTail);
    std::fputs(" ours=", out);
    PrintHex(out, CommandLineTail(GetCommandLineA()));
    std::fputs("\n", out);
    std::fclose(out);
    return 0;
}
