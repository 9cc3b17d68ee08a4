#include "config/config.h"
#include "emu/faults.h"
#include "emu/registry.h"
#include "emu/trace.h"
#include "support/machine_test.h"

#include <string>

namespace {

const std::string Service = ServiceKeyPath;
const std::string Class = ClassKeyPath;
const char* const SavedNames[] = {"SwapXY",     "XLow",      "XHigh",     "YLow",       "YHigh",
                                  "ZLow",       "ZHigh",     "XlateXLow", "XlateXHigh", "XlateYLow",
                                  "XlateYHigh", "XlateZLow", "XlateZHigh"};
constexpr UINT WarningBox = MB_OK | MB_ICONWARNING;

std::string ScreenKey(int n) {
    return Service + "\\TouchScreen" + std::to_string(n) + "\\Parameters";
}

class SettingsTest : public MachineTest {
  protected:
    void TearDown() override { EXPECT_EQ(emu::OpenKeyHandles(), 0); }

    // Two screens found by the enumeration, and a calibration in the record.
    static void PrepareTwoScreens() {
        Context.FullScale = 0x8000;
        emu::SetDword(Service, "NumberOfScreens", 2);
        emu::SetDword(ScreenKey(0), "XlateXHigh", 32767);
        emu::SetDword(ScreenKey(1), "XlateXHigh", 32767);
        ASSERT_EQ(EnumerateScreens(), 1);
        CalibrationRecord& record = Context.Calibration;
        record.SwapXY = 1;
        record.XLow = 101;
        record.XHigh = 102;
        record.YLow = 103;
        record.YHigh = 104;
        record.ZLow = 1;
        record.ZHigh = 255;
        record.XlateXLow = 0;
        record.XlateXHigh = 32767;
        record.XlateYLow = 0x1234;
        record.XlateYHigh = 0xFFFF;
        record.XlateZLow = 1;
        record.XlateZHigh = 255;
    }

    static void ExpectOneWarning(const std::string& text) {
        std::vector<emu::Event> boxes = emu::EventsOf("messagebox");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0]["text"], text);
        EXPECT_EQ(boxes[0]["caption"], "");
        EXPECT_EQ(boxes[0]["type"], WarningBox);
        EXPECT_EQ(boxes[0]["owner"], false);
    }
};

TEST_F(SettingsTest, SavesTheThirteenValuesInOrder) {
    PrepareTwoScreens();
    EXPECT_EQ(SaveCalibration(1), 1);
    EXPECT_TRUE(emu::EventsOf("messagebox").empty());

    // The record's fields as PrepareTwoScreens set them, in the order saved.
    const std::uint32_t expected[] = {1, 101,   102,    103,    104, 1,  255,
                                      0, 32767, 0x1234, 0xFFFF, 1,   255};
    std::vector<emu::Event> sets = emu::EventsOf("regset");
    ASSERT_EQ(sets.size(), 13u);
    for (std::size_t i = 0; i < 13; ++i) {
        EXPECT_EQ(sets[i]["key"], "HKEY_LOCAL_MACHINE\\" + ScreenKey(1));
        EXPECT_EQ(sets[i]["name"], SavedNames[i]);
        EXPECT_EQ(sets[i]["type"], REG_DWORD);
        EXPECT_EQ(sets[i]["data"], expected[i]) << SavedNames[i];
        EXPECT_EQ(sets[i]["status"], ERROR_SUCCESS);
        EXPECT_EQ(emu::GetDword(ScreenKey(1), SavedNames[i]), expected[i]) << SavedNames[i];
    }
    EXPECT_EQ(emu::Values(ScreenKey(0)).size(), 1u); // screen 0 untouched
}

TEST_F(SettingsTest, AKeyDeletedDuringTheRunIsReportedWithItsScreenNumber) {
    PrepareTwoScreens();
    emu::DeleteKey(Service + "\\TouchScreen1");
    EXPECT_EQ(SaveCalibration(1), 0);
    ExpectOneWarning("Error: No registry branch for touchscreen 1.");
    EXPECT_TRUE(emu::EventsOf("regset").empty());
}

TEST_F(SettingsTest, AScreenWithoutAKeyPathOpensNoKey) {
    PrepareTwoScreens();
    // Entry 2 was never filled: opening its empty path would open HKLM itself
    // and the values would land there.
    for (std::int32_t screen : {2, 15, 16, 40, -1}) {
        emu::ResetTrace();
        EXPECT_EQ(SaveCalibration(screen), 0);
        ExpectOneWarning("Error: No registry branch for touchscreen " + std::to_string(screen) +
                         ".");
        EXPECT_TRUE(emu::EventsOf("regset").empty());
    }
    EXPECT_TRUE(emu::Values("HKEY_LOCAL_MACHINE").empty());
}

TEST_F(SettingsTest, AScreenKeyThatMayNotBeWrittenCannotBeOpened) {
    PrepareTwoScreens();
    emu::SetReadOnly(ScreenKey(0));
    EXPECT_EQ(SaveCalibration(0), 0);
    // The open fails already, so the user sees 152, not the text about security.
    ExpectOneWarning("Error: No registry branch for touchscreen 0.");
}

TEST_F(SettingsTest, ARefusedWriteIsReportedAfterEveryWriteWasTried) {
    PrepareTwoScreens();
    emu::FailWrites("XLow", ERROR_ACCESS_DENIED);
    EXPECT_EQ(SaveCalibration(0), 0);
    ExpectOneWarning("Error: unable to open key.  Probably due to security reasons.");

    std::vector<emu::Event> sets = emu::EventsOf("regset");
    ASSERT_EQ(sets.size(), 13u);
    for (std::size_t i = 0; i < 13; ++i) {
        EXPECT_EQ(sets[i]["name"], SavedNames[i]);
        EXPECT_EQ(sets[i]["status"], i == 1 ? ERROR_ACCESS_DENIED : ERROR_SUCCESS);
    }
    // Nothing is rolled back.
    EXPECT_EQ(emu::GetDword(ScreenKey(0), "XlateZHigh"), 255u);
    EXPECT_FALSE(emu::GetValue(ScreenKey(0), "XLow"));
}

TEST_F(SettingsTest, TheLastFailedWriteChoosesTheText) {
    PrepareTwoScreens();
    emu::FailWrites("XLow", ERROR_ACCESS_DENIED);
    emu::FailWrites("ZHigh", ERROR_WRITE_FAULT);
    EXPECT_EQ(SaveCalibration(0), 0);
    ExpectOneWarning("Error: Unable to set one or more registry keys.");
    EXPECT_EQ(emu::EventsOf("regset").size(), 13u);

    emu::ResetTrace();
    emu::ClearFailingWrites();
    emu::FailWrites("SwapXY", ERROR_WRITE_FAULT);
    emu::FailWrites("XlateZHigh", ERROR_ACCESS_DENIED);
    EXPECT_EQ(SaveCalibration(0), 0);
    ExpectOneWarning("Error: unable to open key.  Probably due to security reasons.");
}

TEST_F(SettingsTest, BeepSettings) {
    // No class key: the defaults.
    Context.Beep.BeepTime = 1;
    Context.Beep.BeepFreq = 2;
    ReadBeepSettings();
    EXPECT_EQ(Context.Beep.BeepTime, 32);
    EXPECT_EQ(Context.Beep.BeepFreq, 1000);

    // Only the low 16 bits reach the driver's fields.
    emu::SetDword(Class, "BeepTime", 70000);
    emu::SetDword(Class, "BeepFreq", 0x12345678);
    ReadBeepSettings();
    EXPECT_EQ(Context.Beep.BeepTime, 4464);   // 70000 - 65536
    EXPECT_EQ(Context.Beep.BeepFreq, 0x5678); // low half of 0x12345678

    // Each value on its own: only BeepFreq stored.
    emu::DeleteValue(Class, "BeepTime");
    emu::SetDword(Class, "BeepFreq", 2500);
    ReadBeepSettings();
    EXPECT_EQ(Context.Beep.BeepTime, 32);
    EXPECT_EQ(Context.Beep.BeepFreq, 2500);

    // A class key the user may only read cannot be opened as asked.
    emu::SetReadOnly(Class);
    ReadBeepSettings();
    EXPECT_EQ(Context.Beep.BeepFreq, 1000);
}

TEST_F(SettingsTest, BeepValuesOfAnotherTypeOrSize) {
    const RequestHeader header = Context.Beep.Header;
    Context.Beep.BeepFlag = 1;
    emu::SetValue(Class, "BeepTime", REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8});
    emu::SetValue(Class, "BeepFreq", REG_BINARY, {0x05});
    ReadBeepSettings();
    EXPECT_EQ(Context.Beep.BeepTime, 32); // too long to read: the default stays
    EXPECT_EQ(Context.Beep.BeepFreq, 5);  // not 0x305: the default is not mixed in

    emu::SetValue(Class, "BeepTime", REG_BINARY, {0x10, 0x27, 0x01});
    emu::SetString(Class, "BeepFreq", "9");
    ReadBeepSettings();
    EXPECT_EQ(Context.Beep.BeepTime, 10000); // 0x012710 = 75536; its low half 0x2710
    EXPECT_EQ(Context.Beep.BeepFreq, 0x39);  // "9" and its terminator: 0x39, 0x00
    EXPECT_EQ(Context.Beep.BeepFlag, 1);
    EXPECT_EQ(Context.Beep.Header.ScreenIndex, header.ScreenIndex);
}

TEST_F(SettingsTest, StoredLanguageWinsOverTheLocale) {
    emu::Machine().localeName = "French_France.1252";
    emu::SetDword(Class, "CplLanguage", 3);
    SelectLanguage();
    EXPECT_EQ(Context.LanguageIndex, 3);

    emu::SetDword(Class, "CplLanguage", 9); // unchecked
    SelectLanguage();
    EXPECT_EQ(Context.LanguageIndex, 9);

    emu::SetDword(Class, "CplLanguage", 0xFFFFFFFF);
    SelectLanguage();
    EXPECT_EQ(Context.LanguageIndex, -1); // 0xFFFFFFFF as a signed 32-bit number

    emu::SetValue(Class, "CplLanguage", REG_BINARY, {4});
    SelectLanguage();
    EXPECT_EQ(Context.LanguageIndex, 4);
}

TEST_F(SettingsTest, WithoutAStoredLanguageTheLocaleDecides) {
    struct Case {
        const char* locale;
        std::int32_t language;
    };
    const Case cases[] = {
        {"Dutch_Netherlands.1252", 1},
        {"Spanish_Spain.1252", 6},
        {"Portuguese_Brazil.1252", 5},
        {"German_Germany.1252", 3},
        {"Italian_Italy.1252", 4},
        {"French_Canada.1252", 2},
        {"Dutch_French", 2}, // the search order decides, not the position
        {"English_United States.1252", 0},
        {"dutch_netherlands.1252", 0}, // the search is case-sensitive
        {"C", 0},
        {"", 0}, // no name at all
    };
    for (const Case& c : cases) {
        emu::Machine().localeName = c.locale;
        Context.LanguageIndex = 77;
        SelectLanguage();
        EXPECT_EQ(Context.LanguageIndex, c.language) << c.locale;
    }

    // A class key without the value, with an unreadable one, or one the user
    // may only read: the locale still decides.
    emu::Machine().localeName = "Spanish_Spain.1252";
    emu::SetDword(Class, "BeepTime", 40);
    SelectLanguage();
    EXPECT_EQ(Context.LanguageIndex, 6);
    emu::SetValue(Class, "CplLanguage", REG_BINARY, {3, 0, 0, 0, 0});
    SelectLanguage();
    EXPECT_EQ(Context.LanguageIndex, 6);
    emu::SetDword(Class, "CplLanguage", 3);
    emu::SetReadOnly(Class);
    SelectLanguage();
    EXPECT_EQ(Context.LanguageIndex, 6);
}

} // namespace
