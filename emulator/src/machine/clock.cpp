#include "emu/clock.h"

namespace emu {

namespace {
std::uint32_t clockStart = DefaultClockStart;
std::uint32_t now = DefaultClockStart;
} // namespace

std::uint32_t Now() {
    return now;
}

// Unsigned addition: the tick counter wraps round after 49.7 days, as on Windows.
void Advance(std::uint32_t milliseconds) {
    now += milliseconds;
}

void SetClockStart(std::uint32_t start) {
    clockStart = start;
    now = start;
}

void ResetClock() {
    clockStart = DefaultClockStart;
    now = clockStart;
}

} // namespace emu
