// vintoq32-bench: how long a run of 16 screens takes on the emulated desktop,
// and how deep the chain of nested window creations goes on the stack.
#include "program.h"

#include "emu/gdi.h"
#include "emu/machine.h"
#include "emu/registry.h"
#include "emu/scenario.h"
#include "emu/touchscreen.h"
#include "emu/virtual_user.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::string Hex(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

std::string InstalledScreens(int screens) {
    std::string text = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\"
                       "Dravix]\r\n\"NumberOfScreens\"=dword:" +
                       Hex(screens) + "\r\n";
    for (int screen = 0; screen < screens; ++screen) {
        text +=
            "\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dravix\\TouchScreen" +
            std::to_string(screen) +
            "\\Parameters]\r\n\"XlateXLow\"=dword:00000000\r\n\"XlateXHigh\"=dword:00007fff\r\n"
            "\"XlateYLow\"=dword:00000000\r\n\"XlateYHigh\"=dword:00007fff\r\n";
    }
    return text;
}

std::uintptr_t deepest = UINTPTR_MAX;

// Asked by the virtual user at every touch, deep inside the innermost screen's
// wait: the lowest stack address seen is the depth of the chain.
std::optional<POINT> LocateTargetAndMeasure() {
    volatile char here = 0;
    deepest = std::min(deepest, reinterpret_cast<std::uintptr_t>(&here));
    return emu::LastEllipseCentre();
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    int screens = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 16) : 16;
    volatile char base = 0;
    double total = 0;
    int code = 0;
    for (int run = 0; run < runs; ++run) {
        emu::Reset();
        emu::ApplyScenario({{"registry_text", InstalledScreens(screens)}}, ".");
        emu::TargetLocator() = LocateTargetAndMeasure;
        auto start = std::chrono::steady_clock::now();
        code = sim::RunProgram("");
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    std::printf("%d-screen run: %.1f ms wall on average over %d runs (exit code %d)\n", screens,
                1000 * total / runs, runs, code);
    std::printf("stack depth at the innermost wait for a touch: %zu bytes\n",
                static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(&base) - deepest));
    return code == 1 ? 0 : 1;
}
