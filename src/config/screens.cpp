// The installed screens: their keys below the driver's service key and the
// part of the normalised coordinate space each of them covers.
#include "config/config.h"

#include "context/context.h"

#include <cstring>

namespace {

constexpr const char* NumberOfScreensName = "NumberOfScreens";
constexpr const char* ScreenKeyFormatNT = "TouchScreen%d\\Parameters";
constexpr const char* ScreenKeyFormat9x = "TouchScreen%d";
// Offered for "NumberOfScreens", of which only the first 4 bytes count.
constexpr DWORD CountBufferSize = 128;
// "TouchScreen" and "\Parameters" around at most 11 characters of number.
constexpr int SubKeySize = 64;
// wsprintfA has no size limit: the longest name, with the most negative screen
// number, must fit.
static_assert(sizeof("TouchScreen-2147483648\\Parameters") <= SubKeySize);
static_assert(sizeof("SYSTEM\\CurrentControlSet\\Services\\Dravix\\") + SubKeySize <= KeyPathSize);
constexpr std::uint32_t GridZLow = 1;
constexpr std::uint32_t GridZHigh = 255;

// A range that is missing or longer than 4 bytes keeps its 0.
void LoadStoredRanges(HKEY screenKey, ScreenRange& entry) {
    QueryNumber(screenKey, "XlateXLow", entry.XlateXLow);
    QueryNumber(screenKey, "XlateXHigh", entry.XlateXHigh);
    QueryNumber(screenKey, "XlateYLow", entry.XlateYLow);
    QueryNumber(screenKey, "XlateYHigh", entry.XlateYHigh);
    QueryNumber(screenKey, "XlateZLow", entry.XlateZLow);
    QueryNumber(screenKey, "XlateZHigh", entry.XlateZHigh);
}

// The remainder of each division is not spread over the cells, so the last
// column or row of an uneven grid stops short of FullScale - 1.
void ComputeGridRanges(ScreenRange& entry) {
    std::uint32_t columnWidth = Context.FullScale / static_cast<std::uint32_t>(Context.GridColumns);
    entry.XlateXLow = (static_cast<std::uint32_t>(Context.GridColumn) - 1) * columnWidth;
    entry.XlateXHigh = static_cast<std::uint32_t>(Context.GridColumn) * columnWidth - 1;
    std::uint32_t rowHeight = Context.FullScale / static_cast<std::uint32_t>(Context.GridRows);
    entry.XlateYLow = (static_cast<std::uint32_t>(Context.GridRow) - 1) * rowHeight;
    entry.XlateYHigh = static_cast<std::uint32_t>(Context.GridRow) * rowHeight - 1;
    entry.XlateZLow = GridZLow;
    entry.XlateZHigh = GridZHigh;
}

} // namespace

int EnumerateScreens() {
    Context.ScreenCount = 0;
    int result = 0;
    HKEY serviceKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ServiceKeyPath, 0, KEY_ALL_ACCESS, &serviceKey) !=
        ERROR_SUCCESS) {
        return 0;
    }
    // Zero-filled, so that a value shorter than 4 bytes reads as the number
    // its bytes spell rather than as leftovers of the stack.
    BYTE count[CountBufferSize] = {};
    DWORD size = CountBufferSize;
    if (RegQueryValueExA(serviceKey, NumberOfScreensName, nullptr, nullptr, count, &size) !=
        ERROR_SUCCESS) {
        RegCloseKey(serviceKey);
        return 0;
    }
    Context.ScreenCount = static_cast<std::int32_t>(LittleEndianNumber(count));
    const char* keyFormat =
        Context.PlatformKind == PlatformWindowsNT ? ScreenKeyFormatNT : ScreenKeyFormat9x;
    for (std::int32_t screen = 0; screen < Context.ScreenCount; ++screen) {
        char subKey[SubKeySize];
        wsprintfA(subKey, keyFormat, static_cast<int>(screen));
        HKEY screenKey = nullptr;
        if (RegOpenKeyExA(serviceKey, subKey, 0, KEY_ALL_ACCESS, &screenKey) != ERROR_SUCCESS) {
            break;
        }
        char fullPath[KeyPathSize];
        wsprintfA(fullPath, "%s\\%s", ServiceKeyPath, subKey);
        result = 1;
        LoadScreenRanges(fullPath, screenKey);
        RegCloseKey(screenKey);
    }
    RegCloseKey(serviceKey);
    return result;
}

int LoadScreenRanges(const char* keyPath, HKEY screenKey) {
    if (Context.RangeEntryCount >= MaxScreens) {
        return 0;
    }
    ScreenRange& entry = Context.ScreenRangeTable[Context.RangeEntryCount];
    // A path cut to fit would name another key, and the calibration would be
    // saved there; an empty KeyPath is refused by SaveCalibration instead.
    if (std::strlen(keyPath) < sizeof entry.KeyPath) {
        std::strcpy(entry.KeyPath, keyPath);
    }
    if (Context.UseStoredRanges != 0) {
        LoadStoredRanges(screenKey, entry);
    } else {
        ComputeGridRanges(entry);
    }
    ++Context.RangeEntryCount;
    return 1;
}
