// The ANSI code page of the emulated machine, for the modules that compare
// names as Windows does (classes, modules, windows): without regard to case.
#pragma once

#include <string>
#include <string_view>

namespace emu {

// The text in upper case, as CharUpperA leaves the ASCII letters of it.
std::string Upper(std::string_view text);

} // namespace emu
