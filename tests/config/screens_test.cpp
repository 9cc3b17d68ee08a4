#include "config/config.h"
#include "emu/registry.h"
#include "support/machine_test.h"

#include <string>

namespace {

const std::string Service = ServiceKeyPath;

std::string NtScreenKey(int n) {
    return Service + "\\TouchScreen" + std::to_string(n) + "\\Parameters";
}
std::string ShortScreenKey(int n) {
    return Service + "\\TouchScreen" + std::to_string(n);
}

class ScreensTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        Context.FullScale = 0x8000;
    }
    // Every key opened is closed before the operations return.
    void TearDown() override { EXPECT_EQ(emu::OpenKeyHandles(), 0); }

    static void StoreRanges(const std::string& key, std::uint32_t base) {
        const char* names[] = {"XlateXLow",  "XlateXHigh", "XlateYLow",
                               "XlateYHigh", "XlateZLow",  "XlateZHigh"};
        for (std::uint32_t i = 0; i < 6; ++i) {
            emu::SetDword(key, names[i], base + i);
        }
    }
    static void ExpectRanges(const ScreenRange& entry, std::uint32_t xLow, std::uint32_t xHigh,
                             std::uint32_t yLow, std::uint32_t yHigh, std::uint32_t zLow,
                             std::uint32_t zHigh) {
        EXPECT_EQ(entry.XlateXLow, xLow);
        EXPECT_EQ(entry.XlateXHigh, xHigh);
        EXPECT_EQ(entry.XlateYLow, yLow);
        EXPECT_EQ(entry.XlateYHigh, yHigh);
        EXPECT_EQ(entry.XlateZLow, zLow);
        EXPECT_EQ(entry.XlateZHigh, zHigh);
    }
    static void ExpectUnfilled(const ScreenRange& entry) {
        EXPECT_STREQ(entry.KeyPath, "");
        ExpectRanges(entry, 0, 0, 0, 0, 0, 0);
    }
};

TEST_F(ScreensTest, WindowsNTReadsTheParametersKeys) {
    emu::SetDword(Service, "NumberOfScreens", 2);
    StoreRanges(NtScreenKey(0), 100);
    StoreRanges(NtScreenKey(1), 200);
    StoreRanges(ShortScreenKey(0), 900); // the 95/98 form holds values too

    EXPECT_EQ(EnumerateScreens(), 1);
    EXPECT_EQ(Context.ScreenCount, 2);
    EXPECT_EQ(Context.RangeEntryCount, 2);
    EXPECT_STREQ(Context.ScreenRangeTable[0].KeyPath,
                 "SYSTEM\\CurrentControlSet\\Services\\Dravix\\TouchScreen0\\Parameters");
    EXPECT_STREQ(Context.ScreenRangeTable[1].KeyPath,
                 "SYSTEM\\CurrentControlSet\\Services\\Dravix\\TouchScreen1\\Parameters");
    ExpectRanges(Context.ScreenRangeTable[0], 100, 101, 102, 103, 104, 105);
    ExpectRanges(Context.ScreenRangeTable[1], 200, 201, 202, 203, 204, 205);
    ExpectUnfilled(Context.ScreenRangeTable[2]);
}

TEST_F(ScreensTest, Windows9xAndWin32sReadTheShortKeys) {
    for (std::int32_t platform : {PlatformWindows9x, PlatformWin32s}) {
        SetUp();
        Context.PlatformKind = platform;
        emu::SetDword(Service, "NumberOfScreens", 2);
        StoreRanges(NtScreenKey(0), 900);
        StoreRanges(NtScreenKey(1), 900);
        StoreRanges(ShortScreenKey(0), 100);
        StoreRanges(ShortScreenKey(1), 200);

        EXPECT_EQ(EnumerateScreens(), 1);
        EXPECT_EQ(Context.RangeEntryCount, 2);
        EXPECT_STREQ(Context.ScreenRangeTable[1].KeyPath,
                     "SYSTEM\\CurrentControlSet\\Services\\Dravix\\TouchScreen1");
        ExpectRanges(Context.ScreenRangeTable[0], 100, 101, 102, 103, 104, 105);
        ExpectRanges(Context.ScreenRangeTable[1], 200, 201, 202, 203, 204, 205);
    }
}

TEST_F(ScreensTest, EnumerationStopsAtTheFirstMissingKey) {
    emu::SetDword(Service, "NumberOfScreens", 3);
    StoreRanges(NtScreenKey(0), 100);
    StoreRanges(NtScreenKey(2), 300);

    EXPECT_EQ(EnumerateScreens(), 1);
    EXPECT_EQ(Context.ScreenCount, 3);
    EXPECT_EQ(Context.RangeEntryCount, 1);
    ExpectUnfilled(Context.ScreenRangeTable[1]);
    ExpectUnfilled(Context.ScreenRangeTable[2]);
}

TEST_F(ScreensTest, ACountOfZeroOrLessFindsNothing) {
    for (DWORD stored : {0u, 0xFFFFFFFFu}) {
        SetUp();
        emu::SetDword(Service, "NumberOfScreens", stored);
        StoreRanges(NtScreenKey(0), 100);
        EXPECT_EQ(EnumerateScreens(), 0);
        EXPECT_EQ(Context.ScreenCount, static_cast<std::int32_t>(stored));
        EXPECT_EQ(Context.RangeEntryCount, 0);
        ExpectUnfilled(Context.ScreenRangeTable[0]);
    }
}

TEST_F(ScreensTest, NoServiceKeyOrNoCountFindsNothing) {
    EXPECT_EQ(EnumerateScreens(), 0);
    EXPECT_EQ(Context.ScreenCount, 0);

    StoreRanges(NtScreenKey(0), 100);
    EXPECT_EQ(EnumerateScreens(), 0);
    EXPECT_EQ(Context.RangeEntryCount, 0);

    // A user who may only read the service key: KEY_ALL_ACCESS is refused.
    emu::SetDword(Service, "NumberOfScreens", 1);
    emu::SetReadOnly(Service);
    Context.ScreenCount = 7;
    EXPECT_EQ(EnumerateScreens(), 0);
    EXPECT_EQ(Context.ScreenCount, 0);
    EXPECT_EQ(Context.RangeEntryCount, 0);
}

TEST_F(ScreensTest, MoreThanSixteenScreensFillSixteenEntries) {
    emu::SetDword(Service, "NumberOfScreens", 20);
    for (int n = 0; n < 20; ++n) {
        StoreRanges(NtScreenKey(n), 1000 * static_cast<std::uint32_t>(n));
    }
    const RequestHeader header = Context.Header;

    EXPECT_EQ(EnumerateScreens(), 1);
    EXPECT_EQ(Context.ScreenCount, 20);
    EXPECT_EQ(Context.RangeEntryCount, 16);
    EXPECT_STREQ(Context.ScreenRangeTable[15].KeyPath, NtScreenKey(15).c_str());
    ExpectRanges(Context.ScreenRangeTable[15], 15000, 15001, 15002, 15003, 15004, 15005);
    // Nothing was written past the table.
    EXPECT_EQ(Context.Header.InterfaceVersion, header.InterfaceVersion);
    EXPECT_EQ(Context.Header.ScreenIndex, header.ScreenIndex);
}

TEST_F(ScreensTest, AFullTableRefusesFurtherEntries) {
    Context.RangeEntryCount = MaxScreens;
    StoreRanges(NtScreenKey(0), 100);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, NtScreenKey(0).c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(LoadScreenRanges(NtScreenKey(0).c_str(), key), 0);
    EXPECT_EQ(Context.RangeEntryCount, MaxScreens);

    // A path that does not fit KeyPath is not cut to name another key.
    Context.RangeEntryCount = 0;
    const std::string longPath(KeyPathSize, 'K');
    EXPECT_EQ(LoadScreenRanges(longPath.c_str(), key), 1);
    EXPECT_STREQ(Context.ScreenRangeTable[0].KeyPath, "");
    ExpectRanges(Context.ScreenRangeTable[0], 100, 101, 102, 103, 104, 105);
    EXPECT_EQ(Context.RangeEntryCount, 1);
    RegCloseKey(key);
}

TEST_F(ScreensTest, AMissingRangeValueStaysZero) {
    emu::SetDword(Service, "NumberOfScreens", 1);
    StoreRanges(NtScreenKey(0), 100);
    emu::DeleteValue(NtScreenKey(0), "XlateYHigh");
    EXPECT_EQ(EnumerateScreens(), 1);
    ExpectRanges(Context.ScreenRangeTable[0], 100, 101, 102, 0, 104, 105);
}

// Values are read as 4 bytes whatever their type: a shorter value gives the
// number its bytes spell, a longer one is not read and leaves 0, and nothing
// is ever written beyond the field.
TEST_F(ScreensTest, RangeValuesOfAnotherTypeOrSize) {
    emu::SetDword(Service, "NumberOfScreens", 1);
    const std::string key = NtScreenKey(0);
    emu::SetValue(key, "XlateXLow", REG_BINARY, {0x34});
    emu::SetValue(key, "XlateXHigh", REG_BINARY, {0x34, 0x12});
    emu::SetValue(key, "XlateYLow", REG_BINARY, {0x56, 0x34, 0x12});
    emu::SetValue(key, "XlateYHigh", REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8});
    emu::SetString(key, "XlateZLow", "255");    // 4 bytes with the terminator
    emu::SetString(key, "XlateZHigh", "65535"); // 6 bytes: not read
    EXPECT_EQ(EnumerateScreens(), 1);
    // "255" and its terminator are the bytes 0x32 0x35 0x35 0x00, read
    // little-endian as 0x00353532.
    ExpectRanges(Context.ScreenRangeTable[0], 0x34, 0x1234, 0x123456, 0, 0x00353532, 0);
}

TEST_F(ScreensTest, ScreenCountOfAnotherTypeOrSize) {
    struct Case {
        DWORD type;
        std::vector<std::uint8_t> data;
        std::int32_t count;
        int result;
    };
    const Case cases[] = {
        {REG_BINARY, {2}, 2, 1},
        {REG_BINARY, {2, 0}, 2, 1},
        {REG_BINARY, {2, 0, 0}, 2, 1},
        {REG_BINARY, {2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, 2, 1}, // the first 4 bytes count
        {REG_SZ, {'2', 0}, 0x32, 1},                           // '2' is 0x32, 50: one key present
        {REG_BINARY, std::vector<std::uint8_t>(129, 1), 0, 0}, // does not fit 128 bytes
    };
    for (const Case& c : cases) {
        SetUp();
        emu::SetValue(Service, "NumberOfScreens", c.type, c.data);
        StoreRanges(NtScreenKey(0), 100);
        EXPECT_EQ(EnumerateScreens(), c.result) << c.data.size();
        EXPECT_EQ(Context.ScreenCount, c.count) << c.data.size();
        EXPECT_EQ(Context.RangeEntryCount, c.result);
    }
}

TEST_F(ScreensTest, GridModeComputesTheRangesOfEveryScreen) {
    struct Case {
        std::uint32_t fullScale;
        std::int32_t cells, cell;
        std::uint32_t low, high;
    };
    // A cell is fullScale / cells wide (integer division); cell n covers
    // (n - 1) x width to n x width - 1.
    const Case cases[] = {
        {0x8000, 1, 1, 0, 32767},      // width 32768
        {0x8000, 2, 1, 0, 16383},      // width 16384
        {0x8000, 2, 2, 16384, 32767},  // 2 x 16384 - 1
        {0x8000, 3, 3, 21844, 32765},  // width 10922: 2 x 10922, 3 x 10922 - 1
        {0x10000, 1, 1, 0, 65535},     // width 65536
        {0x10000, 3, 2, 21845, 43689}, // width 21845: 1 x 21845, 2 x 21845 - 1
        {0x10000, 3, 3, 43690, 65534}, // 2 x 21845, 3 x 21845 - 1
    };
    // Columns and rows follow the same rule: each case is run on both axes.
    for (const Case& c : cases) {
        for (bool columns : {true, false}) {
            SetUp();
            Context.FullScale = c.fullScale;
            Context.UseStoredRanges = 0;
            (columns ? Context.GridColumns : Context.GridRows) = c.cells;
            (columns ? Context.GridColumn : Context.GridRow) = c.cell;
            emu::SetDword(Service, "NumberOfScreens", 1);
            StoreRanges(NtScreenKey(0), 100);
            EXPECT_EQ(EnumerateScreens(), 1);
            const std::uint32_t full = c.fullScale - 1;
            ExpectRanges(Context.ScreenRangeTable[0], columns ? c.low : 0, columns ? c.high : full,
                         columns ? 0 : c.low, columns ? full : c.high, 1, 255);
        }
    }
}

TEST_F(ScreensTest, GridModeGivesEveryScreenTheSameRanges) {
    Context.UseStoredRanges = 0;
    Context.GridColumns = 3;
    Context.GridColumn = 3;
    emu::SetDword(Service, "NumberOfScreens", 2);
    StoreRanges(NtScreenKey(0), 100);
    StoreRanges(NtScreenKey(1), 200);
    EXPECT_EQ(EnumerateScreens(), 1);
    EXPECT_EQ(Context.RangeEntryCount, 2);
    for (int n = 0; n < 2; ++n) {
        EXPECT_STREQ(Context.ScreenRangeTable[n].KeyPath, NtScreenKey(n).c_str());
        // Third of three columns of 0x8000 / 3 = 10922: 2 x 10922 to 3 x 10922 - 1.
        ExpectRanges(Context.ScreenRangeTable[n], 21844, 32765, 0, 32767, 1, 255);
    }
}

} // namespace
