#include "context/context.h"

CalibrationContext Context;

namespace {
// Multiplied first and divided last, in unsigned 32-bit arithmetic: products
// wrap and the division truncates, as the stored ranges have always been read.
std::int32_t ScaleToDesktop(std::uint32_t normalised, std::int32_t desktopSize) {
    std::uint32_t product = normalised * static_cast<std::uint32_t>(desktopSize);
    // FullScale is at least 1 once DetectPlatform has run; the guard only keeps
    // a call made before it from dividing by zero.
    std::uint32_t fullScale = Context.FullScale == 0 ? 1 : Context.FullScale;
    return static_cast<std::int32_t>(product / fullScale);
}
} // namespace

// A screen beyond the table is placed as an unfilled entry: all ranges 0.
void ComputeWindowGeometry(std::int32_t screen) {
    std::uint32_t xLow = 0, xHigh = 0, yLow = 0, yHigh = 0;
    if (HasRangeEntry(screen)) {
        const ScreenRange& range = Context.ScreenRangeTable[screen];
        xLow = range.XlateXLow;
        xHigh = range.XlateXHigh;
        yLow = range.XlateYLow;
        yHigh = range.XlateYHigh;
    }
    Context.WindowWidth = ScaleToDesktop(xHigh - xLow + 1, Context.DesktopWidth);
    Context.WindowHeight = ScaleToDesktop(yHigh - yLow + 1, Context.DesktopHeight);
    Context.WindowLeft = ScaleToDesktop(xLow, Context.DesktopWidth);
    Context.WindowTop = ScaleToDesktop(yLow, Context.DesktopHeight);
}
