// The stored calibration of a screen, and the beep and language preferences
// of the touchscreen class key.
#include "config/config.h"

#include "config/user_locale.h"
#include "context/context.h"
#include "ui/texts.h"

#include <cstring>

namespace {

constexpr REGSAM SettingsAccess = KEY_SET_VALUE | KEY_QUERY_VALUE;
constexpr std::uint16_t DefaultBeepTime = 32;
constexpr std::uint16_t DefaultBeepFreq = 1000;
constexpr std::int32_t EnglishLanguage = 0;

struct LocaleWord {
    const char* word;
    std::int32_t language;
};
// Searched in this order; the first word found decides. The numbers are
// those of the string tables, not of the search order.
constexpr LocaleWord LocaleWords[] = {
    {"French", 2}, {"Dutch", 1}, {"German", 3}, {"Italian", 4}, {"Spanish", 6}, {"Portuguese", 5},
};

// REG_DWORD data: the 16-bit record field zero-extended, little-endian.
LSTATUS WriteNumber(HKEY key, const char* name, std::uint16_t value) {
    const BYTE bytes[sizeof(std::uint32_t)] = {static_cast<BYTE>(value & 0xFF),
                                               static_cast<BYTE>(value >> 8), 0, 0};
    return RegSetValueExA(key, name, 0, REG_DWORD, bytes, sizeof bytes);
}

void ReportMissingScreenKey(std::int32_t screen) {
    // The format is loaded into a buffer of its own: wsprintfA must not read
    // the text it is overwriting. 250 characters of format and one number
    // stay far below both wsprintfA's 1024 and TextBuffer's 512.
    char format[TextBufferSize];
    LoadLocalizedString(Context.InstanceHandle, IDS_NO_SCREEN_KEY, format, TextLoadLimit);
    wsprintfA(Context.TextBuffer, format, static_cast<int>(screen));
    MessageBoxA(nullptr, Context.TextBuffer, "", MB_OK | MB_ICONWARNING);
}

std::int32_t LanguageFromLocale(const char* localeName) {
    if (localeName == nullptr) {
        return EnglishLanguage;
    }
    for (const LocaleWord& entry : LocaleWords) {
        if (std::strstr(localeName, entry.word) != nullptr) {
            return entry.language;
        }
    }
    return EnglishLanguage;
}

} // namespace

std::uint32_t LittleEndianNumber(const BYTE* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// The bytes land in a number that holds 0, so a value shorter than 4 bytes
// gives just the number its bytes spell (a 1-byte 0x05 is 5). Windows leaves
// the buffer undefined when the value is missing or longer than 4 bytes: the
// caller's number is then not written, and keeps its default.
bool QueryNumber(HKEY key, const char* name, std::uint32_t& number) {
    BYTE bytes[sizeof(std::uint32_t)] = {};
    DWORD size = sizeof bytes;
    if (RegQueryValueExA(key, name, nullptr, nullptr, bytes, &size) != ERROR_SUCCESS) {
        return false;
    }
    number = LittleEndianNumber(bytes);
    return true;
}

int SaveCalibration(std::int32_t screen) {
    // A screen without a table entry, or whose key the enumeration did not
    // find, has nowhere to be saved; opening "" would open HKLM itself.
    if (!HasRangeEntry(screen) || Context.ScreenRangeTable[screen].KeyPath[0] == '\0') {
        ReportMissingScreenKey(screen);
        return 0;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, Context.ScreenRangeTable[screen].KeyPath, 0,
                      SettingsAccess, &key) != ERROR_SUCCESS) {
        ReportMissingScreenKey(screen);
        return 0;
    }
    const CalibrationRecord& record = Context.Calibration;
    struct StoredValue {
        const char* name;
        std::uint16_t value;
    };
    // Not the field order of the record.
    const StoredValue values[] = {
        {"SwapXY", record.SwapXY},         {"XLow", record.XLow},
        {"XHigh", record.XHigh},           {"YLow", record.YLow},
        {"YHigh", record.YHigh},           {"ZLow", record.ZLow},
        {"ZHigh", record.ZHigh},           {"XlateXLow", record.XlateXLow},
        {"XlateXHigh", record.XlateXHigh}, {"XlateYLow", record.XlateYLow},
        {"XlateYHigh", record.XlateYHigh}, {"XlateZLow", record.XlateZLow},
        {"XlateZHigh", record.XlateZHigh},
    };
    LSTATUS lastFailure = ERROR_SUCCESS;
    for (const StoredValue& stored : values) {
        LSTATUS status = WriteNumber(key, stored.name, stored.value);
        if (status != ERROR_SUCCESS) {
            lastFailure = status;
        }
    }
    RegCloseKey(key);
    if (lastFailure == ERROR_SUCCESS) {
        return 1;
    }
    ShowLocalizedWarning(lastFailure == ERROR_ACCESS_DENIED ? IDS_KEY_ACCESS_DENIED
                                                            : IDS_SET_VALUES_FAILED);
    return 0;
}

void ReadBeepSettings() {
    Context.Beep.BeepTime = DefaultBeepTime;
    Context.Beep.BeepFreq = DefaultBeepFreq;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ClassKeyPath, 0, SettingsAccess, &key) != ERROR_SUCCESS) {
        return;
    }
    std::uint32_t number = 0;
    // The driver's beep fields are 16 bits wide: the low half is kept.
    if (QueryNumber(key, "BeepTime", number)) {
        Context.Beep.BeepTime = static_cast<std::uint16_t>(number & 0xFFFF);
    }
    if (QueryNumber(key, "BeepFreq", number)) {
        Context.Beep.BeepFreq = static_cast<std::uint16_t>(number & 0xFFFF);
    }
    RegCloseKey(key);
}

void SelectLanguage() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ClassKeyPath, 0, SettingsAccess, &key) == ERROR_SUCCESS) {
        std::uint32_t language = 0;
        bool stored = QueryNumber(key, "CplLanguage", language);
        RegCloseKey(key);
        if (stored) {
            // Unchecked: a language without tables reads the English texts.
            Context.LanguageIndex = static_cast<std::int32_t>(language);
            return;
        }
    }
    char localeName[LocaleNameSize];
    Context.LanguageIndex = LanguageFromLocale(UserLocaleName(localeName));
}
