#include "calibration/calibration_math.h"

#include "calibration/double_arithmetic.h"

#include <cstdlib>

namespace {

// Window coordinates are 32-bit values that a hostile range table can push to
// the ends of their range; sums and differences wrap as they do in 32-bit
// machine arithmetic rather than overflow.
std::int32_t Add(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t Subtract(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
std::int32_t Raw(std::uint32_t reading) {
    return static_cast<std::int32_t>(reading);
}

// The raw reading at a window edge, extended along the line through the two
// touches. The scale is computed once and each margin multiplied by it after;
// (difference x margin) / distance rounds differently for some inputs.
struct AxisEdges {
    std::int32_t Low;
    std::int32_t High;
};

AxisEdges ExtrapolateAxis(std::int32_t reading1, std::int32_t reading2, std::int32_t distance,
                          std::int32_t lowMargin, std::int32_t highMargin) {
    // A window narrower than 8 pixels puts both targets on one line: a
    // distance of 0, and a scale of 0.
    const ExactDouble scale = DivideAsDouble(Subtract(reading2, reading1), distance);
    const std::int32_t highTerm = MultiplyAndTruncate(scale, highMargin);
    const std::int32_t lowTerm = MultiplyAndTruncate(scale, lowMargin);
    AxisEdges edges{Subtract(reading1, lowTerm), Add(reading2, highTerm)};
    if (edges.Low < 1) {
        edges.Low = 1;
    }
    if (edges.High < 1) {
        edges.High = 1;
    }
    return edges;
}

std::uint16_t Low16(std::int32_t value) {
    return static_cast<std::uint16_t>(value);
}
std::uint16_t Low16(std::uint32_t value) {
    return static_cast<std::uint16_t>(value);
}

void FillRecord(const CalibrationResult& result, const ScreenRange& range,
                const RequestHeader& header, CalibrationRecord& record) {
    record.Header = header;
    record.XLow = Low16(result.XLow);
    record.XHigh = Low16(result.XHigh);
    record.YLow = Low16(result.YLow);
    record.YHigh = Low16(result.YHigh);
    record.ZLow = CalibrationZLow;
    record.ZHigh = CalibrationZHigh;
    record.SwapXY = Low16(result.SwapXY);
    record.XlateXHigh = Low16(range.XlateXHigh);
    record.XlateXLow = Low16(range.XlateXLow);
    record.XlateYHigh = Low16(range.XlateYHigh);
    record.XlateYLow = Low16(range.XlateYLow);
    record.XlateZHigh = Low16(range.XlateZHigh);
    record.XlateZLow = Low16(range.XlateZLow);
}

} // namespace

// The division by 8 comes before the multiplication by 7, so the right and
// bottom margins take the remainder.
TargetPositions ComputeTargetPositions(const WindowRect& window) {
    std::int32_t columnStep = window.Width / 8;
    std::int32_t rowStep = window.Height / 8;
    return {
        Add(window.Left, columnStep),
        Add(window.Left, static_cast<std::int32_t>(static_cast<std::uint32_t>(columnStep) * 7U)),
        Add(window.Top, rowStep),
        Add(window.Top, static_cast<std::int32_t>(static_cast<std::uint32_t>(rowStep) * 7U))};
}

// Target 3 is on target 1's row: if the raw y moved further than the raw x
// between them, the controller's axes are swapped against the screen's.
bool AxesSwapped(TouchPoint touch1, TouchPoint touch3) {
    std::int64_t dx = std::llabs(std::int64_t{touch3.X} - std::int64_t{touch1.X});
    std::int64_t dy = std::llabs(std::int64_t{touch3.Y} - std::int64_t{touch1.Y});
    return dy > dx;
}

CalibrationResult ComputeCalibration(const WindowRect& window, TouchPoint touch1, TouchPoint touch2,
                                     TouchPoint touch3, const ScreenRange& range,
                                     const RequestHeader& header, CalibrationRecord& record) {
    // Each screen axis is extrapolated from the controller word that follows
    // it, over that axis' own distance and margins. Extrapolating the words
    // first and exchanging the results afterwards would stretch a swapped
    // controller's readings over the other axis' margins, whose remainders of
    // the division by 8 differ: several pixels off at the right or bottom edge
    // of a 1366-pixel-wide screen.
    const bool swapped = AxesSwapped(touch1, touch3);
    auto alongX = [swapped](TouchPoint touch) { return Raw(swapped ? touch.Y : touch.X); };
    auto alongY = [swapped](TouchPoint touch) { return Raw(swapped ? touch.X : touch.Y); };
    TargetPositions targets = ComputeTargetPositions(window);
    AxisEdges x = ExtrapolateAxis(alongX(touch1), alongX(touch2),
                                  Subtract(targets.TargetRightX, targets.TargetLeftX),
                                  Subtract(targets.TargetLeftX, window.Left),
                                  Subtract(Add(window.Left, window.Width), targets.TargetRightX));
    AxisEdges y = ExtrapolateAxis(alongY(touch1), alongY(touch2),
                                  Subtract(targets.TargetBottomY, targets.TargetTopY),
                                  Subtract(targets.TargetTopY, window.Top),
                                  Subtract(Add(window.Top, window.Height), targets.TargetBottomY));
    CalibrationResult result{x.Low, x.High, y.Low, y.High, swapped ? 1 : 0};
    FillRecord(result, range, header, record);
    return result;
}
