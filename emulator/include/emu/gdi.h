// Graphics on the emulated desktop.
#pragma once

namespace emu {

void ResetGdi();

} // namespace emu
