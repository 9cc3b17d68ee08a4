// The calibration as the user experiences it: for controllers of every kind
// and windows anywhere on the desktop, after Yes the stored edge values are
// the controller's true readings at the window edges, and the pointer mapped
// through them lands on the targets.
#include "scenario_test.h"

#include "emu/touchscreen.h"

#include <cmath>
#include <random>

namespace scenario {
namespace {

struct Case {
    int desktopWidth, desktopHeight;
    int columns, rows, column, row;
    emu::Controller controller;
};

constexpr long FullScaleNT = 32768;

// The grid cell the screen shows, as a monitor grid places it.
RECT CellOf(const Case& c) {
    long cellWidth = FullScaleNT / c.columns;
    long cellHeight = FullScaleNT / c.rows;
    long xLow = (c.column - 1) * cellWidth;
    long yLow = (c.row - 1) * cellHeight;
    long left = xLow * c.desktopWidth / FullScaleNT;
    long top = yLow * c.desktopHeight / FullScaleNT;
    return {static_cast<LONG>(left), static_cast<LONG>(top),
            static_cast<LONG>(left + cellWidth * c.desktopWidth / FullScaleNT),
            static_cast<LONG>(top + cellHeight * c.desktopHeight / FullScaleNT)};
}

std::uint16_t Reading(std::mt19937& random, int span) {
    return static_cast<std::uint16_t>(std::uniform_int_distribution<int>(0, 65000 - span)(random));
}

Case RandomCase(std::mt19937& random) {
    auto between = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    Case c{between(640, 2048), between(480, 1536), between(1, 3), between(1, 2), 1, 1, {}};
    c.column = between(1, c.columns);
    c.row = between(1, c.rows);
    RECT cell = CellOf(c);
    c.controller.area = cell;
    int spanX = between(2 * (cell.right - cell.left), 60000);
    int spanY = between(2 * (cell.bottom - cell.top), 60000);
    c.controller.rawLeft = Reading(random, spanX);
    c.controller.rawRight = static_cast<std::uint16_t>(c.controller.rawLeft + spanX);
    c.controller.rawTop = Reading(random, spanY);
    c.controller.rawBottom = static_cast<std::uint16_t>(c.controller.rawTop + spanY);
    if (between(0, 1) != 0) {
        std::swap(c.controller.rawLeft, c.controller.rawRight);
    }
    if (between(0, 1) != 0) {
        std::swap(c.controller.rawTop, c.controller.rawBottom);
    }
    c.controller.swapXY = between(0, 1) != 0;
    return c;
}

// The controller's reading along one screen axis, extended linearly past the
// last pixel: the value a perfect calibration stores for that edge.
double TrueReading(long position, long from, long to, int rawFrom, int rawTo) {
    return rawFrom + static_cast<double>(position - from) * (rawTo - rawFrom) / (to - from - 1);
}

// Where the driver puts the pointer for a raw reading, from the stored edges.
double Pointer(int raw, long low, long high, long from, long size) {
    return from + static_cast<double>(raw - low) * size / static_cast<double>(high - low);
}

class Accuracy : public ScenarioTest {};

TEST_F(Accuracy, StoredEdgesAndPointerMatchTheController) {
    std::mt19937 random(20261207);
    for (int i = 0; i < 40; ++i) {
        emu::Reset();
        Case c = RandomCase(random);
        json controller = {{"area",
                            {c.controller.area.left, c.controller.area.top,
                             c.controller.area.right - c.controller.area.left,
                             c.controller.area.bottom - c.controller.area.top}},
                           {"raw_x", {c.controller.rawLeft, c.controller.rawRight}},
                           {"raw_y", {c.controller.rawTop, c.controller.rawBottom}},
                           {"swap", c.controller.swapXY}};
        std::string grid = "-P" + std::to_string(c.columns) + "," + std::to_string(c.rows) + "," +
                           std::to_string(c.column) + "," + std::to_string(c.row);
        SCOPED_TRACE("case " + std::to_string(i) + ": " + grid + " on " +
                     std::to_string(c.desktopWidth) + " x " + std::to_string(c.desktopHeight) +
                     ", controller " + controller.dump());
        ASSERT_EQ(
            Run({{"desktop", {c.desktopWidth, c.desktopHeight}}, {"screens", {controller}}}, grid),
            1);

        auto stored = [](const char* name) {
            return static_cast<long>(emu::GetDword(ScreenKey(0), name).value_or(0));
        };
        const RECT& area = c.controller.area;
        const long width = area.right - area.left;
        const long height = area.bottom - area.top;
        EXPECT_EQ(stored("SwapXY"), c.controller.swapXY ? 1 : 0);
        const double edges[4] = {TrueReading(area.left, area.left, area.right, c.controller.rawLeft,
                                             c.controller.rawRight),
                                 TrueReading(area.right, area.left, area.right,
                                             c.controller.rawLeft, c.controller.rawRight),
                                 TrueReading(area.top, area.top, area.bottom, c.controller.rawTop,
                                             c.controller.rawBottom),
                                 TrueReading(area.bottom, area.top, area.bottom,
                                             c.controller.rawTop, c.controller.rawBottom)};
        const long values[4] = {stored("XLow"), stored("XHigh"), stored("YLow"), stored("YHigh")};
        for (int edge = 0; edge < 4; ++edge) {
            // Rounding of the touches, extended by a third past them, and the
            // truncation of the correction term: within two raw units.
            EXPECT_NEAR(values[edge], std::max(1.0, edges[edge]), 2.0) << "edge " << edge;
        }

        const LONG left = static_cast<LONG>(area.left + width / 8);
        const LONG right = static_cast<LONG>(area.left + width / 8 * 7);
        const LONG top = static_cast<LONG>(area.top + height / 8);
        const LONG bottom = static_cast<LONG>(area.top + height / 8 * 7);
        const LONG middleX = static_cast<LONG>(area.left + width / 2);
        const LONG middleY = static_cast<LONG>(area.top + height / 2);
        for (POINT target :
             {POINT{left, top}, POINT{right, bottom}, POINT{right, top}, POINT{middleX, middleY}}) {
            emu::RawReading raw = emu::ReadController(c.controller, target);
            int alongX = c.controller.swapXY ? raw.y : raw.x;
            int alongY = c.controller.swapXY ? raw.x : raw.y;
            EXPECT_NEAR(Pointer(alongX, values[0], values[1], area.left, width), target.x, 1.0);
            EXPECT_NEAR(Pointer(alongY, values[2], values[3], area.top, height), target.y, 1.0);
        }
    }
}

} // namespace
} // namespace scenario
