#include "emu/registry.h"

namespace emu {
void ResetRegistry() {}
} // namespace emu
