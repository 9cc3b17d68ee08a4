#include "emu/gdi.h"

namespace emu {
void ResetGdi() {}
} // namespace emu
