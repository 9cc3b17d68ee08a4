// The user's locale name, which the program asks the C runtime for on Windows
// (setlocale(LC_ALL, "")); here it is part of the emulated machine.
#include "emu/machine.h"

const char* UserLocaleName() {
    const std::string& name = emu::Machine().localeName;
    return name.empty() ? nullptr : name.c_str();
}
