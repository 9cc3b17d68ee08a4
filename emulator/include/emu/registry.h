// The registry of the emulated machine: HKEY_LOCAL_MACHINE.
#pragma once

namespace emu {

void ResetRegistry();

} // namespace emu
