// The touchscreens of the emulated machine: one controller model per installed
// screen. The finger on them is the virtual user's (emu/virtual_user.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace emu {

// How one touchscreen's controller reports a touch at a desktop pixel.
struct Controller {
    // The part of the desktop this screen shows; empty means the whole desktop.
    RECT area{};
    // Raw readings at the left/right (top/bottom) edge of the area, along the
    // screen's own axes before any swap. Inverted axes have low > high.
    std::uint16_t rawLeft = 0;
    std::uint16_t rawRight = 4095;
    std::uint16_t rawTop = 0;
    std::uint16_t rawBottom = 4095;
    // The controller reports the screen's y in its x word and the x in its y.
    bool swapXY = false;
    // Up to this many raw units added or taken away at random (seeded).
    int noise = 0;
};

// The raw reading of a screen's controller for a touch at a desktop pixel.
struct RawReading {
    std::uint16_t x = 0;
    std::uint16_t y = 0;
};
RawReading ReadController(const Controller& controller, POINT desktop);

std::vector<Controller>& Touchscreens();

void ResetTouchscreens();

} // namespace emu
