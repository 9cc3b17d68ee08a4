#include "emu/touchscreen.h"

#include "emu/clock.h"
#include "emu/device.h"
#include "emu/gdi.h"
#include "emu/machine.h"
#include "emu/trace.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"
#include "coordinates.h"

#include <algorithm>
#include <cstdint>
#include <random>

namespace emu {

namespace {

std::vector<Controller> controllers;
std::function<std::optional<POINT>()> locator;
std::mt19937 noiseSource;

// What the user does at the current wait.
struct PendingAction {
    UserAction action;
    std::uint32_t startedAt = 0;
    bool done = false;
};
std::optional<PendingAction> pending;

RECT AreaOf(const Controller& controller) {
    const RECT& area = controller.area;
    if (area.right > area.left && area.bottom > area.top) {
        return area;
    }
    return {0, 0, Machine().desktopWidth, Machine().desktopHeight};
}

// Linear from the reading at one edge to the reading at the other, with the
// last pixel of the area reading as the far edge.
std::uint16_t Interpolate(long position, long from, long to, int rawFrom, int rawTo) {
    long span = std::max(1L, to - from - 1);
    double fraction = static_cast<double>(std::clamp(position - from, 0L, span)) / span;
    double value = rawFrom + fraction * (rawTo - rawFrom);
    return static_cast<std::uint16_t>(std::clamp(static_cast<long>(value + 0.5), 0L, 65535L));
}

std::uint16_t AddNoise(std::uint16_t value, int noise) {
    if (noise <= 0) {
        return value;
    }
    std::uniform_int_distribution<int> spread(-noise, noise);
    return static_cast<std::uint16_t>(std::clamp(value + spread(noiseSource), 0, 65535));
}

// The driver's request carries the screen index; its controller answers.
const Controller& ControllerOf(std::size_t screen) {
    static const Controller fallback{};
    return screen < controllers.size() ? controllers[screen] : fallback;
}

std::size_t ScreenOfLastRequest() {
    const std::vector<DriverRequest>& log = DriverLog();
    if (log.empty() || log.back().in.size() < 8) {
        return 0;
    }
    return static_cast<std::size_t>(log.back().in[6] | (log.back().in[7] << 8));
}

// Where the finger lands, off the target by the action's offset; a target at
// the far end of the coordinate range keeps the finger within the range.
LONG Offset(LONG at, int by) {
    return Plus(at, by);
}

// The target drawn last, when it lies on the window that waits for the touch
// (the one with the keyboard focus, where Esc would go too). What an earlier
// window drew went with that window, and a window of no size shows nothing.
std::optional<POINT> TargetOfWaitingWindow() {
    std::optional<DrawnEllipse> drawn = LastEllipse();
    if (!drawn || drawn->window == nullptr || drawn->window != FocusWindow()) {
        return std::nullopt;
    }
    return drawn->centre;
}

void BeginWait() {
    pending = PendingAction{TakeTouchAction(), Now(), false};
}

std::optional<RawTouch> Poll() {
    if (!pending || pending->done || Now() - pending->startedAt < UserReactionMs) {
        return std::nullopt;
    }
    pending->done = true;
    switch (pending->action.kind) {
    case ActionKind::Esc: PressKey(VK_ESCAPE); return std::nullopt;
    case ActionKind::Touch: {
        std::optional<POINT> target = locator ? locator() : TargetOfWaitingWindow();
        if (!target) {
            Record({{"ev", "error"}, {"what", "no target on the screen to touch"}});
            return std::nullopt;
        }
        POINT finger{Offset(target->x, pending->action.dx), Offset(target->y, pending->action.dy)};
        RawReading raw = ReadController(ControllerOf(ScreenOfLastRequest()), finger);
        return RawTouch{raw.x, raw.y, 1, 0, finger};
    }
    default: return std::nullopt;
    }
}

} // namespace

RawReading ReadController(const Controller& controller, POINT desktop) {
    RECT area = AreaOf(controller);
    std::uint16_t alongX =
        Interpolate(desktop.x, area.left, area.right, controller.rawLeft, controller.rawRight);
    std::uint16_t alongY =
        Interpolate(desktop.y, area.top, area.bottom, controller.rawTop, controller.rawBottom);
    RawReading reading =
        controller.swapXY ? RawReading{alongY, alongX} : RawReading{alongX, alongY};
    reading.x = AddNoise(reading.x, controller.noise);
    reading.y = AddNoise(reading.y, controller.noise);
    return reading;
}

std::vector<Controller>& Touchscreens() {
    return controllers;
}

std::function<std::optional<POINT>()>& TargetLocator() {
    return locator;
}

void AttachVirtualUser() {
    Driver().onBeginTouchWait = BeginWait;
    Driver().touchSource = Poll;
}

void ResetTouchscreens() {
    controllers.assign(1, Controller{});
    locator = nullptr;
    noiseSource.seed(1);
    pending.reset();
}

} // namespace emu
