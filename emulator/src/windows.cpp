#include "emu/window_manager.h"

namespace emu {
void ResetWindows() {}
} // namespace emu
