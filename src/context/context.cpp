#include "context/context.h"

CalibrationContext Context;

namespace {
constexpr ScreenRange UnfilledEntry{};

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

void ComputeWindowGeometry(std::int32_t screen) {
    const ScreenRange& range =
        HasRangeEntry(screen) ? Context.ScreenRangeTable[screen] : UnfilledEntry;
    Context.WindowWidth =
        ScaleToDesktop(range.XlateXHigh - range.XlateXLow + 1, Context.DesktopWidth);
    Context.WindowHeight =
        ScaleToDesktop(range.XlateYHigh - range.XlateYLow + 1, Context.DesktopHeight);
    Context.WindowLeft = ScaleToDesktop(range.XlateXLow, Context.DesktopWidth);
    Context.WindowTop = ScaleToDesktop(range.XlateYLow, Context.DesktopHeight);
}
