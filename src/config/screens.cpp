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

std::int32_t LittleEndianInt32(const BYTE* bytes) {
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24);
}

// A stored range is taken as 4 bytes whatever its type. The bytes land in a
// number that holds 0, so a value shorter than 4 bytes gives just the number
// its bytes spell (a 1-byte 0x05 is 5). The field is only written on success:
// when the value is missing or longer than 4 bytes Windows leaves the buffer
// contents undefined, and the field must keep its 0.
void ReadRangeValue(HKEY screenKey, const char* name, std::uint32_t& field) {
    BYTE bytes[sizeof(std::uint32_t)] = {};
    DWORD size = sizeof bytes;
    if (RegQueryValueExA(screenKey, name, nullptr, nullptr, bytes, &size) == ERROR_SUCCESS) {
        field = static_cast<std::uint32_t>(LittleEndianInt32(bytes));
    }
}

void LoadStoredRanges(HKEY screenKey, ScreenRange& entry) {
    ReadRangeValue(screenKey, "XlateXLow", entry.XlateXLow);
    ReadRangeValue(screenKey, "XlateXHigh", entry.XlateXHigh);
    ReadRangeValue(screenKey, "XlateYLow", entry.XlateYLow);
    ReadRangeValue(screenKey, "XlateYHigh", entry.XlateYHigh);
    ReadRangeValue(screenKey, "XlateZLow", entry.XlateZLow);
    ReadRangeValue(screenKey, "XlateZHigh", entry.XlateZHigh);
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
    Context.ScreenCount = LittleEndianInt32(count);
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
