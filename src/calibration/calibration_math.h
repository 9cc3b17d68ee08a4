// From three raw touches to a calibration: pure arithmetic, no platform calls.
#pragma once

#include <cstdint>

#include "context/screen_range.h"
#include "driver/driver_records.h"

struct WindowRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

struct TouchPoint {
    std::uint32_t X = 0;
    std::uint32_t Y = 0;
};

// Desktop positions of the target columns and rows, one eighth of the window
// in from its edges.
struct TargetPositions {
    std::int32_t TargetLeftX = 0;
    std::int32_t TargetRightX = 0;
    std::int32_t TargetTopY = 0;
    std::int32_t TargetBottomY = 0;
};

struct CalibrationResult {
    std::int32_t XLow = 0;
    std::int32_t XHigh = 0;
    std::int32_t YLow = 0;
    std::int32_t YHigh = 0;
    std::int32_t SwapXY = 0;
};

constexpr std::uint16_t CalibrationZLow = 1;
constexpr std::uint16_t CalibrationZHigh = 255;

TargetPositions ComputeTargetPositions(const WindowRect& window);

// Touch 1 belongs to the upper-left target, touch 2 to the lower-right and
// touch 3 to the upper-right. Fills the record and returns the edge values.
CalibrationResult ComputeCalibration(const WindowRect& window, TouchPoint touch1, TouchPoint touch2,
                                     TouchPoint touch3, const ScreenRange& range,
                                     const RequestHeader& header, CalibrationRecord& record);
