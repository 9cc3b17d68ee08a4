// The calibration arithmetic over its whole input space: any three raw
// touches, any window the range table and the desktop can produce (empty,
// 1 and 7 pixels, negative positions, the ends of the 32-bit range), any range
// entry. No undefined behaviour, and the record the driver receives keeps its
// promises whatever came in.
#include "calibration/calibration_math.h"
#include "context/context.h"
#include "ui/calibrate_window.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

constexpr std::int32_t Min32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max32 = std::numeric_limits<std::int32_t>::max();

constexpr std::int32_t InterestingSizes[] = {0,         1,
                                             2,         7,
                                             8,         9,
                                             15,        16,
                                             17,        63,
                                             64,        480,
                                             481,       640,
                                             641,       768,
                                             1024,      1030,
                                             4096,      32767,
                                             32768,     65535,
                                             65536,     1 << 20,
                                             Max32 / 7, Max32 / 8 * 8,
                                             Max32 - 7, Max32,
                                             -1,        -7,
                                             -8,        -9,
                                             -640,      Min32 + 7,
                                             Min32};
constexpr std::int32_t InterestingPositions[] = {
    0,    1,     -1,     7,         -7,        512,   1024,      -1024,
    1920, 65535, -65536, Max32 / 2, Max32 - 1, Max32, Min32 + 1, Min32};
// Desktop sizes as GetSystemMetrics could report them, up to the largest a
// 32-bit int holds.
constexpr std::int32_t DesktopSizes[] = {0,    1,    7,    480,   640,   768,   1024,    1080,
                                         1920, 4320, 7680, 16384, 32767, 65535, 1 << 24, Max32};
constexpr std::uint32_t FullScales[] = {0x8000, 0x10000, 1};

struct Input {
    WindowRect window;
    TouchPoint touches[3];
    ScreenRange range;
    RequestHeader header;
};

[[noreturn]] void Fault(const char* what, const Input& in) {
    std::fprintf(stderr, "FAULT: %s\nwindow (%d, %d) %d x %d, touches (%u, %u) (%u, %u) (%u, %u)\n",
                 what, in.window.Left, in.window.Top, in.window.Width, in.window.Height,
                 in.touches[0].X, in.touches[0].Y, in.touches[1].X, in.touches[1].Y,
                 in.touches[2].X, in.touches[2].Y);
    std::abort();
}

void Check(bool holds, const char* what, const Input& in) {
    if (!holds) {
        Fault(what, in);
    }
}

template <std::size_t N>
std::int32_t Pick(FuzzedDataProvider& provider, const std::int32_t (&table)[N]) {
    if (provider.ConsumeBool()) {
        return table[provider.ConsumeIntegralInRange<std::size_t>(0, N - 1)];
    }
    return provider.ConsumeIntegral<std::int32_t>();
}

// A window straight from fuzzed numbers, or one placed by ComputeWindowGeometry
// from a fuzzed range entry on a fuzzed desktop, as the program gets it.
WindowRect DecodeWindow(FuzzedDataProvider& provider, const ScreenRange& range) {
    if (provider.ConsumeBool()) {
        Context = CalibrationContext{};
        Context.ScreenRangeTable[0] = range;
        Context.FullScale = FullScales[provider.ConsumeIntegralInRange<std::size_t>(0, 2)];
        Context.DesktopWidth = Pick(provider, DesktopSizes);
        Context.DesktopHeight = Pick(provider, DesktopSizes);
        ComputeWindowGeometry(0);
        return CurrentWindowRect();
    }
    WindowRect window;
    window.Left = Pick(provider, InterestingPositions);
    window.Top = Pick(provider, InterestingPositions);
    window.Width = Pick(provider, InterestingSizes);
    window.Height = Pick(provider, InterestingSizes);
    return window;
}

// No sum or difference of the arithmetic leaves the 32-bit range.
bool Ordinary(const WindowRect& w) {
    auto small = [](std::int32_t v) { return v > -(1 << 28) && v < (1 << 28); };
    return small(w.Left) && small(w.Top) && small(w.Width) && small(w.Height);
}

std::int32_t Clamped(std::int64_t value) {
    return value < 1 ? 1 : static_cast<std::int32_t>(value);
}

// The edges of one axis as the documented steps give them, for windows whose
// arithmetic stays in range: one division for the scale, kept, then one
// multiplication per margin, truncated toward zero.
void ExpectedAxis(std::int64_t reading1, std::int64_t reading2, std::int32_t origin,
                  std::int32_t size, std::int32_t& low, std::int32_t& high) {
    std::int64_t step = size / 8;
    std::int64_t nearTarget = origin + step;
    std::int64_t farTarget = origin + step * 7;
    std::int64_t distance = farTarget - nearTarget;
    std::int64_t lowTerm = 0;
    std::int64_t highTerm = 0;
    if (distance != 0) {
        double scale = static_cast<double>(reading2 - reading1) / static_cast<double>(distance);
        lowTerm =
            static_cast<std::int64_t>(std::trunc(scale * static_cast<double>(nearTarget - origin)));
        highTerm = static_cast<std::int64_t>(
            std::trunc(scale * static_cast<double>(origin + size - farTarget)));
    }
    low = Clamped(reading1 - lowTerm);
    high = Clamped(reading2 + highTerm);
}

void CheckRecord(const Input& in, const CalibrationResult& result, const CalibrationRecord& r) {
    Check(r.Header.InterfaceVersion == in.header.InterfaceVersion &&
              r.Header.HeaderWord1 == in.header.HeaderWord1 &&
              r.Header.HeaderWord2 == in.header.HeaderWord2 &&
              r.Header.ScreenIndex == in.header.ScreenIndex,
          "header not copied", in);
    Check(r.XLow == static_cast<std::uint16_t>(result.XLow) &&
              r.XHigh == static_cast<std::uint16_t>(result.XHigh) &&
              r.YLow == static_cast<std::uint16_t>(result.YLow) &&
              r.YHigh == static_cast<std::uint16_t>(result.YHigh),
          "record edges are not the low 16 bits of the results", in);
    Check(r.ZLow == 1 && r.ZHigh == 255, "Z range not 1 / 255", in);
    Check(r.SwapXY == result.SwapXY, "record SwapXY differs", in);
    const ScreenRange& g = in.range;
    Check(r.XlateXLow == static_cast<std::uint16_t>(g.XlateXLow) &&
              r.XlateXHigh == static_cast<std::uint16_t>(g.XlateXHigh) &&
              r.XlateYLow == static_cast<std::uint16_t>(g.XlateYLow) &&
              r.XlateYHigh == static_cast<std::uint16_t>(g.XlateYHigh) &&
              r.XlateZLow == static_cast<std::uint16_t>(g.XlateZLow) &&
              r.XlateZHigh == static_cast<std::uint16_t>(g.XlateZHigh),
          "translation range not copied as its low 16 bits", in);
}

CalibrationResult Compute(const Input& in, const WindowRect& window, CalibrationRecord& record) {
    return ComputeCalibration(window, in.touches[0], in.touches[1], in.touches[2], in.range,
                              in.header, record);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    Input in;
    for (TouchPoint& touch : in.touches) {
        touch.X = provider.ConsumeIntegral<std::uint16_t>();
        touch.Y = provider.ConsumeIntegral<std::uint16_t>();
    }
    for (std::uint32_t* field : {&in.range.XlateXLow, &in.range.XlateXHigh, &in.range.XlateYLow,
                                 &in.range.XlateYHigh, &in.range.XlateZLow, &in.range.XlateZHigh}) {
        *field = provider.ConsumeIntegral<std::uint32_t>();
    }
    in.header.ScreenIndex = provider.ConsumeIntegral<std::uint16_t>();
    in.header.HeaderWord2 = provider.ConsumeIntegral<std::uint16_t>();
    in.window = DecodeWindow(provider, in.range);
    const WindowRect& w = in.window;

    TargetPositions targets = ComputeTargetPositions(w);
    if (Ordinary(w)) {
        Check(targets.TargetLeftX - w.Left == w.Width / 8 &&
                  targets.TargetRightX - w.Left == (w.Width / 8) * 7 &&
                  targets.TargetTopY - w.Top == w.Height / 8 &&
                  targets.TargetBottomY - w.Top == (w.Height / 8) * 7,
              "targets not one eighth in, divided before multiplied", in);
    }

    CalibrationRecord record;
    CalibrationResult result = Compute(in, w, record);
    CheckRecord(in, result, record);
    Check(result.XLow >= 1 && result.XHigh >= 1 && result.YLow >= 1 && result.YHigh >= 1,
          "an edge value below 1", in);
    const TouchPoint* t = in.touches;
    std::int64_t dx = std::llabs(std::int64_t{t[2].X} - std::int64_t{t[0].X});
    std::int64_t dy = std::llabs(std::int64_t{t[2].Y} - std::int64_t{t[0].Y});
    Check(result.SwapXY == (dy > dx ? 1 : 0), "SwapXY not 1 exactly when y moved further", in);

    // Each screen axis follows the controller word that runs along it: the
    // other word when the axes are swapped.
    const bool swapped = result.SwapXY == 1;
    auto alongX = [swapped](TouchPoint touch) { return swapped ? touch.Y : touch.X; };
    auto alongY = [swapped](TouchPoint touch) { return swapped ? touch.X : touch.Y; };
    if (w.Width / 8 == 0 || alongX(t[0]) == alongX(t[1])) {
        Check(result.XLow == Clamped(alongX(t[0])) && result.XHigh == Clamped(alongX(t[1])),
              "x edges without a scale are not the touches", in);
    }
    if (w.Height / 8 == 0 || alongY(t[0]) == alongY(t[1])) {
        Check(result.YLow == Clamped(alongY(t[0])) && result.YHigh == Clamped(alongY(t[1])),
              "y edges without a scale are not the touches", in);
    }
    if (Ordinary(w)) {
        std::int32_t low = 0;
        std::int32_t high = 0;
        ExpectedAxis(alongX(t[0]), alongX(t[1]), w.Left, w.Width, low, high);
        Check(result.XLow == low && result.XHigh == high,
              "x edges differ from the documented steps", in);
        ExpectedAxis(alongY(t[0]), alongY(t[1]), w.Top, w.Height, low, high);
        Check(result.YLow == low && result.YHigh == high,
              "y edges differ from the documented steps", in);

        // The same screen on another monitor: only the position changed.
        WindowRect moved = w;
        moved.Left += provider.ConsumeIntegralInRange<std::int32_t>(-(1 << 27), 1 << 27);
        moved.Top += provider.ConsumeIntegralInRange<std::int32_t>(-(1 << 27), 1 << 27);
        CalibrationRecord movedRecord;
        CalibrationResult shifted = Compute(in, moved, movedRecord);
        Check(shifted.XLow == result.XLow && shifted.XHigh == result.XHigh &&
                  shifted.YLow == result.YLow && shifted.YHigh == result.YHigh &&
                  shifted.SwapXY == result.SwapXY,
              "moving the window changed the edges", in);
    }
    return 0;
}
