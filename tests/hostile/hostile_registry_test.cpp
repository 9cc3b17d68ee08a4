// A registry set up by someone else: every value the program reads stored with
// another type or size, missing or unreadable, keys missing or read-only,
// counts that say anything. Each value is taken as the number its first four
// bytes spell (a shorter value zero-extended, a longer one not read at all),
// and each run ends as documented with every key closed.
#include "hostile/hostile_test.h"

#include "config/config.h"
#include "context/context.h"
#include "emu/machine.h"
#include "support/machine_test.h"

namespace hostile {
namespace {

const std::string ServiceKey = scenario::ServiceKey;

// A value as someone might have stored it, and the number the program must
// read from it; nullopt: it cannot be read, the program's default applies.
struct StoredForm {
    const char* label;
    DWORD type;
    std::vector<std::uint8_t> bytes;
    std::optional<std::uint32_t> read;
};

// The forms of a value whose intended number is n (1 to 255).
std::vector<StoredForm> FormsOf(std::uint8_t n) {
    const auto digit = static_cast<std::uint8_t>('0' + n % 10);
    return {
        {"REG_BINARY of 1 byte", REG_BINARY, {n}, n},
        {"REG_BINARY of 2 bytes", REG_BINARY, {n, 0}, n},
        {"REG_BINARY of 3 bytes", REG_BINARY, {n, 0, 1}, 0x10000u + n},
        {"REG_BINARY of 8 bytes", REG_BINARY, {n, 0, 0, 0, 9, 9, 9, 9}, std::nullopt},
        {"REG_DWORD of 2 bytes", REG_DWORD, {n, 1}, 0x100u + n},
        {"REG_SZ", REG_SZ, {digit, 0}, digit},
        {"REG_MULTI_SZ", REG_MULTI_SZ, {digit, 0, 0}, digit},
        {"REG_SZ of 4 bytes", REG_SZ, {digit, digit, digit, 0}, digit * 0x10101u},
    };
}

class HostileRegistry : public HostileRun {
  protected:
    static void ExpectScreensCalibrated(std::size_t claimed, int keys, const std::string& label);
};

// The translation ranges go from the screen key through the record to the
// driver and back into the key: what is saved shows what was read.
TEST_F(HostileRegistry, RangeValuesOfEveryTypeAndSize) {
    const char* names[] = {"XlateXLow",  "XlateXHigh", "XlateYLow",
                           "XlateYHigh", "XlateZLow",  "XlateZHigh"};
    for (const char* name : names) {
        std::vector<StoredForm> forms = FormsOf(7);
        forms.push_back({"missing", REG_NONE, {}, std::nullopt});
        for (const StoredForm& form : forms) {
            const std::string label = std::string(name) + ", " + form.label;
            std::string registry = InstalledScreens(1);
            registry += form.type == REG_NONE
                            ? MissingValueSection(ScreenKey(0), name)
                            : ValueSection(ScreenKey(0), name, form.type, form.bytes);
            EXPECT_EQ(
                RunFresh({{"registry_text", registry}, {"driver", {{"touches", PlainTouches}}}}, "",
                         label),
                1)
                << label;
            // A value that cannot be read leaves the entry's 0.
            EXPECT_EQ(Saved(0, name), form.read.value_or(0) & 0xFFFF) << label;
            EXPECT_EQ(RegistryWriteNames().size(), 13u) << label;
        }
    }
}

// A range value that cannot be read is 0: the window it places may be empty.
TEST_F(HostileRegistry, UnreadableRangeGivesAnEmptyWindowThatStillCalibrates) {
    std::string registry = InstalledScreens(1) + ValueSection(ScreenKey(0), "XlateXHigh",
                                                              REG_BINARY, {0xFF, 0x7F, 0, 0, 0});
    EXPECT_EQ(RunFresh({{"registry_text", registry}, {"driver", {{"touches", PlainTouches}}}}, "",
                       "5-byte XlateXHigh"),
              1);
    EXPECT_EQ(CalibrationWindows(), (std::vector<std::string>{"0 x 768"}));
    // With no width the two target columns coincide: the x edges are the
    // touches themselves.
    EXPECT_EQ(Saved(0, "XLow"), 600u);
    EXPECT_EQ(Saved(0, "XHigh"), 3480u);
}

// Enough raw touches for every screen the table can hold, so that screens
// without a window to touch are calibrated too.
json TouchesForEveryScreen() {
    json touches = json::array();
    for (int screen = 0; screen < MaxScreens; ++screen) {
        for (const json& touch : PlainTouches) {
            touches.push_back(touch);
        }
    }
    return touches;
}

// The screens the registry claims are calibrated in turn, up to the end of
// the range table. Those without a screen key have an empty entry: a window
// with no size, and a calibration with nowhere to be saved (text 152).
void HostileRegistry::ExpectScreensCalibrated(std::size_t claimed, int keys,
                                              const std::string& label) {
    const std::size_t windows = std::min<std::size_t>(claimed, MaxScreens);
    std::vector<std::string> sizes = CalibrationWindows();
    ASSERT_EQ(sizes.size(), windows) << label;
    std::vector<std::string> missing;
    for (std::size_t screen = 0; screen < windows; ++screen) {
        const bool real = screen < static_cast<std::size_t>(keys);
        EXPECT_EQ(sizes[screen], real ? "1024 x 768" : "0 x 0") << label << ", screen " << screen;
        if (!real) {
            missing.push_back("Error: No registry branch for touchscreen " +
                              std::to_string(screen) + ".");
        }
    }
    EXPECT_EQ(Events("dialog").size(), windows) << label;
    EXPECT_EQ(MessageTexts(), missing) << label;
    const std::size_t saved = std::min<std::size_t>({windows, static_cast<std::size_t>(keys)});
    EXPECT_EQ(RegistryWriteNames().size(), 13 * saved) << label;
    for (int screen = 0; screen < keys; ++screen) {
        EXPECT_EQ(Saved(screen, "XLow").has_value(), static_cast<std::size_t>(screen) < saved)
            << label << ", screen " << screen;
    }
}

TEST_F(HostileRegistry, NumberOfScreensOfEveryTypeAndSize) {
    std::vector<StoredForm> forms = FormsOf(2);
    std::vector<std::uint8_t> filled(128, 9);
    filled[0] = 2;
    filled[1] = filled[2] = filled[3] = 0;
    forms.push_back({"REG_BINARY filling the 128 bytes offered", REG_BINARY, filled, 2});
    for (const StoredForm& form : forms) {
        std::string registry = InstalledScreens(2) +
                               ValueSection(ServiceKey, "NumberOfScreens", form.type, form.bytes);
        EXPECT_EQ(RunFresh({{"registry_text", registry},
                            {"driver", {{"touches", TouchesForEveryScreen()}}}},
                           "", form.label),
                  1);
        // The count is read into 128 bytes, not 4: of 8 bytes the first 4 count.
        ExpectScreensCalibrated(form.read.value_or(2), 2, form.label);
    }
}

// Counts that leave nothing to calibrate end at start-up with text 155.
TEST_F(HostileRegistry, NoScreenToCalibrate) {
    const std::string twoScreens = InstalledScreens(2);
    auto count = [&](DWORD type, const std::vector<std::uint8_t>& bytes) {
        return twoScreens + ValueSection(ServiceKey, "NumberOfScreens", type, bytes);
    };
    const std::pair<const char*, std::string> cases[] = {
        {"count 0", count(REG_DWORD, {0, 0, 0, 0})},
        {"count -1", count(REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"count -2147483648", count(REG_DWORD, {0, 0, 0, 0x80})},
        {"count missing", twoScreens + MissingValueSection(ServiceKey, "NumberOfScreens")},
        {"count longer than its 128 bytes", count(REG_BINARY, std::vector<std::uint8_t>(129, 2))},
        {"REG_SZ of an empty text", count(REG_SZ, {0})},
        {"REG_MULTI_SZ of no text", count(REG_MULTI_SZ, {0, 0})},
        {"REG_BINARY of no bytes", count(REG_BINARY, {})},
    };
    for (const auto& [label, registry] : cases) {
        EXPECT_EQ(RunFresh({{"registry_text", registry}}, "", label), 0) << label;
        EXPECT_EQ(MessageTexts(),
                  (std::vector<std::string>{"You do not have sufficient access right, contact "
                                            "system administrator."}))
            << label;
        EXPECT_TRUE(emu::DriverLog().empty()) << label;
    }
}

// Installed screens at and beyond the range table, with no options: the chain
// stops where the table ends.
TEST_F(HostileRegistry, ScreenCountsAtAndBeyondTheTable) {
    struct Case {
        int keys;
        std::uint32_t count;
    };
    for (const Case& c : {Case{16, 16}, Case{17, 17}, Case{2, 0x7FFFFFFF}}) {
        const std::string label = std::to_string(c.count) + " screens";
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&c.count);
        std::string registry =
            InstalledScreens(c.keys) +
            ValueSection(ServiceKey, "NumberOfScreens", REG_DWORD, {bytes, bytes + 4});
        EXPECT_EQ(RunFresh({{"registry_text", registry},
                            {"driver", {{"touches", TouchesForEveryScreen()}}}},
                           "", label),
                  1);
        ExpectScreensCalibrated(c.count, c.keys, label);
    }
}

// Languages without string tables read the English texts, in every place a
// text appears: the calibration dialog, start-up's messages, the option help.
TEST_F(HostileRegistry, StoredLanguagesWithoutTablesReadEnglish) {
    // 0x01000002: the top byte alone makes French a language without tables.
    for (std::uint32_t language : {0xFFFFFFFFu, 7u, 0x7FFFFFFFu, 0x01000002u}) {
        const std::string label =
            "CplLanguage " + std::to_string(static_cast<std::int32_t>(language));
        const auto* b = reinterpret_cast<const std::uint8_t*>(&language);
        const std::string stored = ValueSection(ClassKey, "CplLanguage", REG_DWORD, {b, b + 4});

        EXPECT_EQ(RunFresh({{"registry_text", InstalledScreens(1) + stored},
                            {"locale", "French_France.1252"}},
                           "", label),
                  1);
        ASSERT_EQ(Events("dialog").size(), 1u) << label;
        json dialog = Events("dialog")[0];
        EXPECT_EQ(dialog["caption"], "Check Calibration") << label;
        EXPECT_EQ(dialog["items"]["1009"], "Touch different areas on the screen.") << label;

        RunFresh({{"registry_text", "REGEDIT4\r\n" + stored}}, "", label);
        EXPECT_EQ(MessageTexts(),
                  (std::vector<std::string>{"You do not have sufficient access right, contact "
                                            "system administrator."}))
            << label;

        RunFresh({{"registry_text", InstalledScreens(1) + stored}}, "-X", label);
        ASSERT_EQ(Events("dialog").size(), 1u) << label;
        dialog = Events("dialog")[0];
        EXPECT_EQ(dialog["caption"], "Error in command line parameter") << label;
        EXPECT_EQ(dialog["items"]["1000"], "Parameter \"-X\" invalid in command line \"-X\"")
            << label;
        EXPECT_EQ(dialog["items"]["1001"], "Vintoq32 have no command line parameters.") << label;
    }
}

TEST_F(HostileRegistry, LanguagePreferenceOfEveryTypeAndSize) {
    for (const StoredForm& form : FormsOf(2)) {
        std::string registry =
            InstalledScreens(1) + ValueSection(ClassKey, "CplLanguage", form.type, form.bytes);
        // Unreadable: the locale decides (Dutch); readable but not 2: a
        // language without tables, so English.
        RunFresh({{"registry_text", registry}, {"locale", "Dutch_Netherlands.1252"}}, "",
                 form.label);
        const char* caption = !form.read        ? "Kalibratie controleren"
                              : *form.read == 2 ? "Vérification de la calibration"
                                                : "Check Calibration";
        EXPECT_EQ(DialogCaptions(), (std::vector<std::string>{caption})) << form.label;
    }
}

TEST_F(HostileRegistry, BeepSettingsOfEveryTypeAndSize) {
    std::vector<StoredForm> forms = FormsOf(9);
    forms.push_back(
        {"REG_BINARY of 4 bytes above 16 bits", REG_BINARY, {0x70, 0x11, 0x01, 0}, 70000});
    for (const StoredForm& form : forms) {
        std::string registry = InstalledScreens(1) +
                               ValueSection(ClassKey, "BeepFreq", form.type, form.bytes) +
                               ValueSection(ClassKey, "BeepTime", form.type, form.bytes);
        RunFresh({{"registry_text", registry}}, "", form.label);
        std::vector<emu::DriverRequest> beeps = emu::DriverRequestsOf(emu::CodeSetBeep);
        ASSERT_EQ(beeps.size(), 2u) << form.label;
        for (const emu::DriverRequest& beep : beeps) {
            const std::uint32_t freq = beep.in[10] | beep.in[11] << 8;
            const std::uint32_t time = beep.in[12] | beep.in[13] << 8;
            EXPECT_EQ(freq, form.read ? (*form.read & 0xFFFF) : 1000u) << form.label;
            EXPECT_EQ(time, form.read ? (*form.read & 0xFFFF) : 32u) << form.label;
        }
    }
}

TEST_F(HostileRegistry, ReadOnlyKeys) {
    // The service key is opened for all access: a user who may only read it
    // finds no screens.
    EXPECT_EQ(RunFresh({{"registry_text", InstalledScreens(1)}, {"read_only_keys", {ServiceKey}}},
                       "", "read-only service key"),
              0);
    EXPECT_EQ(MessageTexts().size(), 1u);
    EXPECT_TRUE(emu::DriverLog().empty());

    // A screen key that cannot be opened ends the enumeration before it: the
    // screen is still counted, its window has no size, and its calibration
    // has nowhere to go.
    EXPECT_EQ(RunFresh({{"registry_text", InstalledScreens(1)},
                        {"read_only_keys", {ScreenKey(0)}},
                        {"driver", {{"touches", PlainTouches}}}},
                       "", "read-only screen key"),
              1);
    EXPECT_EQ(CalibrationWindows(), (std::vector<std::string>{"0 x 0"}));
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Error: No registry branch for touchscreen 0."}));
    EXPECT_TRUE(RegistryWriteNames().empty());

    // The class key is opened to read and write: read-only, its preferences
    // are not seen.
    std::string registry = InstalledScreens(1) +
                           ValueSection(ClassKey, "CplLanguage", REG_DWORD, {2, 0, 0, 0}) +
                           ValueSection(ClassKey, "BeepFreq", REG_DWORD, {0xB8, 0x01, 0, 0});
    EXPECT_EQ(RunFresh({{"registry_text", registry}, {"read_only_keys", {ClassKey}}}, "",
                       "read-only class key"),
              1);
    EXPECT_EQ(DialogCaptions(), (std::vector<std::string>{"Check Calibration"}));
    EXPECT_EQ(emu::DriverRequestsOf(emu::CodeSetBeep).at(0).in[10], 0xE8); // 1000
}

// Key paths that just fit the 260 characters of KeyPath are kept whole and
// saved into; nothing of the path spills into the ranges after it.
class HostileKeyPath : public MachineTest {
  protected:
    void TearDown() override { EXPECT_EQ(emu::OpenKeyHandles(), 0); }
};

TEST_F(HostileKeyPath, PathsThatJustFitAreSavedInto) {
    for (std::size_t length : {KeyPathSize - 2, KeyPathSize - 1}) {
        SetUp();
        Context.FullScale = 0x8000;
        const std::string path = "SOFTWARE\\" + std::string(length - 9, 'K');
        ASSERT_EQ(path.size(), length);
        emu::SetDword(path, "XlateXLow", 0x1111);
        emu::SetDword(path, "XlateZHigh", 0x2222);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        EXPECT_EQ(LoadScreenRanges(path.c_str(), key), 1);
        RegCloseKey(key);
        const ScreenRange& entry = Context.ScreenRangeTable[0];
        EXPECT_EQ(entry.KeyPath, path) << length;
        EXPECT_EQ(entry.XlateXLow, 0x1111u) << length;
        EXPECT_EQ(entry.XlateZHigh, 0x2222u) << length;

        Context.Calibration.XLow = 321;
        EXPECT_EQ(SaveCalibration(0), 1) << length;
        EXPECT_EQ(emu::GetDword(path, "XLow"), 321u) << length;
        EXPECT_EQ(emu::Values(path).size(), 13u) << length;
    }
}

} // namespace
} // namespace hostile
