// The report and the entry point of the conformance program.
#include "conformance.h"

#include <cstdarg>
#include <cstdio>

namespace conformance {

namespace {
int checks = 0;
int disagreements = 0;
HINSTANCE instance = nullptr;
} // namespace

void Report(const std::string& name, const std::string& call, const std::string& observed,
            const std::string& expected) {
    ++checks;
    bool agrees = observed == expected;
    if (!agrees) {
        ++disagreements;
    }
    std::printf("%s | %s | %s | %s | %s\n", name.c_str(), call.c_str(), observed.c_str(),
                expected.c_str(), agrees ? "agrees" : "DIFFERS");
    std::fflush(stdout);
}

std::string Text(const char* format, ...) {
    char buffer[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

int CheckCount() {
    return checks;
}

int DisagreementCount() {
    return disagreements;
}

HINSTANCE Instance() {
    return instance;
}

void SetInstance(HINSTANCE value) {
    instance = value;
}

void Pump(DWORD milliseconds) {
    Sleep(milliseconds);
}

} // namespace conformance

// The exit code is the number of checks whose observation departs from the
// documentation.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    using namespace conformance;
    SetInstance(hInstance);
    RunKernelChecks();
    RunModuleChecks();
    RunLocaleChecks();
    RunRegistryChecks();
    RunFormatChecks();
    RunResourceChecks();
    RunWindowChecks();
    RunMessageChecks();
    RunPaintChecks();
    RunGdiChecks();
    RunDialogChecks();
    RunMessageBoxChecks();
    std::printf("# %d checks, %d agree with the documentation\n", CheckCount(),
                CheckCount() - DisagreementCount());
    std::fflush(stdout);
    return DisagreementCount();
}
