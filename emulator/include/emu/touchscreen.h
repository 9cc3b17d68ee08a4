// The touchscreens of the emulated machine: one controller model per installed
// screen, and the virtual user's finger on them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
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

// Virtual time between a target appearing (the program starting its wait) and
// the user's finger or key arriving.
constexpr std::uint32_t UserReactionMs = 400;

// Where the target on the screen is: the centre of what was drawn last, in
// desktop coordinates, as long as it lies on the window that waits for the
// touch (none otherwise: only Esc or the time-out end that wait). The GDI
// module keeps it; tests may replace it.
std::function<std::optional<POINT>()>& TargetLocator();

// Connects the virtual user to the driver: at each wait for a touch the next
// touch-wait action of the user script is played (touch the target, press
// Esc, or stay idle).
void AttachVirtualUser();
void ResetTouchscreens();

} // namespace emu
