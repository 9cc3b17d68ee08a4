// The virtual clock. Every call that polls or waits moves it on, so busy
// waits, time-outs and timers run deterministically and at once.
#pragma once

#include <cstdint>

namespace emu {

constexpr std::uint32_t DefaultClockStart = 1000;

std::uint32_t Now();
void Advance(std::uint32_t milliseconds);
// Start value after a reset; tests set it close to 2^32 to see the tick
// counter wrap round.
void SetClockStart(std::uint32_t start);
void ResetClock();

// How far each kind of call moves the clock.
constexpr std::uint32_t TickCountCost = 1;
constexpr std::uint32_t PeekMessageCost = 1;
constexpr std::uint32_t DriverRequestCost = 1;
constexpr std::uint32_t ModalLoopStep = 10;

} // namespace emu
