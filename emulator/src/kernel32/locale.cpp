// Locale information. The user's default locale is the machine's: it keeps it
// as the name the C runtime builds from it on Windows ("French_France.1252"),
// whose three parts are the English language name before the '_', the English
// country name up to the '.' and the ANSI code page after it. A machine
// without a name has no default locale. Explicit identifiers are answered for
// the locales of the program's languages; any other is refused, as Windows
// refuses an identifier it has no locale for.
#include <windows.h>

#include "emu/machine.h"

#include <optional>
#include <string>

namespace {

struct LocaleParts {
    std::string language;
    std::string country;
    std::string ansiCodePage;
};

struct KnownLocale {
    LCID lcid;
    const char* language;
    const char* country;
    const char* ansiCodePage;
};

constexpr KnownLocale KnownLocales[] = {
    {0x0409, "English", "United States", "1252"}, {0x040C, "French", "France", "1252"},
    {0x0407, "German", "Germany", "1252"},        {0x0413, "Dutch", "Netherlands", "1252"},
    {0x0410, "Italian", "Italy", "1252"},         {0x0416, "Portuguese", "Brazil", "1252"},
    {0x0816, "Portuguese", "Portugal", "1252"},   {0x0C0A, "Spanish", "Spain", "1252"},
};

std::optional<LocaleParts> MachineLocale() {
    const std::string& name = emu::Machine().localeName;
    if (name.empty()) {
        return std::nullopt;
    }
    const std::size_t underscore = name.find('_');
    if (underscore == std::string::npos) {
        return LocaleParts{name, "", ""};
    }
    const std::size_t point = name.find('.', underscore);
    const std::string country = point == std::string::npos
                                    ? name.substr(underscore + 1)
                                    : name.substr(underscore + 1, point - underscore - 1);
    return LocaleParts{name.substr(0, underscore), country,
                       point == std::string::npos ? "" : name.substr(point + 1)};
}

std::optional<LocaleParts> LocaleFor(LCID locale) {
    if (locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT) {
        return MachineLocale();
    }
    for (const KnownLocale& known : KnownLocales) {
        if (known.lcid == locale) {
            return LocaleParts{known.language, known.country, known.ansiCodePage};
        }
    }
    return std::nullopt;
}

const std::string* PartOf(const LocaleParts& parts, LCTYPE type) {
    switch (type) {
    case LOCALE_SENGLANGUAGE: return &parts.language;
    case LOCALE_SENGCOUNTRY: return &parts.country;
    case LOCALE_IDEFAULTANSICODEPAGE: return &parts.ansiCodePage;
    default: return nullptr;
    }
}

} // namespace

int WINAPI GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData) {
    if (cchData < 0 || (cchData > 0 && lpLCData == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::optional<LocaleParts> parts = LocaleFor(Locale);
    if (!parts) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string* part = PartOf(*parts, LCType);
    if (part == nullptr) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    // Counts include the terminating null; with cchData 0 the buffer is not
    // used and the result is the size it needs.
    const int needed = static_cast<int>(part->size()) + 1;
    if (cchData == 0) {
        return needed;
    }
    if (cchData < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    part->copy(lpLCData, part->size());
    lpLCData[part->size()] = '\0';
    return needed;
}
