// Locale information: the user's and the system's default locale, the locales
// of the program's languages by their identifiers, and the buffer contract
// (size query, too small, exact, invalid arguments).
//
// Under Wine the default locale comes from the environment, which the test
// harness sets to one that Wine takes for English (United States), the
// emulated machine's default.
#include "conformance.h"

#include <cstring>

namespace conformance {

namespace {

constexpr LCID EnglishUnitedStates = 0x0409;

struct KnownLocale {
    LCID lcid;
    const char* parts; // English language | English country | ANSI code page
};

constexpr KnownLocale KnownLocales[] = {
    {0x0409, "English|United States|1252"}, {0x040C, "French|France|1252"},
    {0x0407, "German|Germany|1252"},        {0x0413, "Dutch|Netherlands|1252"},
    {0x0410, "Italian|Italy|1252"},         {0x0416, "Portuguese|Brazil|1252"},
    {0x0816, "Portuguese|Portugal|1252"},   {0x0C0A, "Spanish|Spain|1252"},
};

// One piece of locale information, or "<fails:error>".
std::string Info(LCID locale, LCTYPE type) {
    char buffer[80] = {};
    SetLastError(Unset);
    int length = GetLocaleInfoA(locale, type, buffer, sizeof buffer);
    if (length == 0) {
        return Text("<fails:%u>", GetLastError());
    }
    // The result counts the terminating null.
    if (length != static_cast<int>(std::strlen(buffer)) + 1) {
        return Text("<length %d for %u characters>", length,
                    static_cast<unsigned>(std::strlen(buffer)));
    }
    return buffer;
}

std::string Parts(LCID locale) {
    return Info(locale, LOCALE_SENGLANGUAGE) + "|" + Info(locale, LOCALE_SENGCOUNTRY) + "|" +
           Info(locale, LOCALE_IDEFAULTANSICODEPAGE);
}

void CheckDefaults() {
    Report("locale.user-default",
           "GetLocaleInfoA(LOCALE_USER_DEFAULT, SENGLANGUAGE, SENGCOUNTRY, IDEFAULTANSICODEPAGE)",
           Parts(LOCALE_USER_DEFAULT), "English|United States|1252");
    Report("locale.system-default",
           "GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, SENGLANGUAGE, SENGCOUNTRY, "
           "IDEFAULTANSICODEPAGE)",
           Parts(LOCALE_SYSTEM_DEFAULT), "English|United States|1252");
}

void CheckKnownLocales() {
    for (const KnownLocale& known : KnownLocales) {
        Report(Text("locale.lcid-%04X", static_cast<unsigned>(known.lcid)),
               Text("GetLocaleInfoA(0x%04X, SENGLANGUAGE, SENGCOUNTRY, IDEFAULTANSICODEPAGE)",
                    static_cast<unsigned>(known.lcid)),
               Parts(known.lcid), known.parts);
    }
}

void CheckBufferContract() {
    // With cchData 0 the buffer is not used: the result is the size it needs,
    // terminating null included.
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    SetLastError(Unset);
    int needed = GetLocaleInfoA(EnglishUnitedStates, LOCALE_SENGCOUNTRY, buffer, 0);
    int withoutBuffer = GetLocaleInfoA(EnglishUnitedStates, LOCALE_SENGCOUNTRY, nullptr, 0);
    Report("locale.size-query", "GetLocaleInfoA(0x0409, SENGCOUNTRY, buffer, 0), (NULL, 0)",
           Text("needed=%d without-buffer=%d buffer-untouched=%d", needed, withoutBuffer,
                buffer[0] == 'x'),
           "needed=14 without-buffer=14 buffer-untouched=1");

    SetLastError(Unset);
    int shortResult = GetLocaleInfoA(EnglishUnitedStates, LOCALE_SENGCOUNTRY, buffer, 13);
    Report("locale.too-small", "GetLocaleInfoA(0x0409, SENGCOUNTRY, buffer, 13)",
           Text("result=%d error=%u", shortResult, GetLastError()), "result=0 error=122");

    std::memset(buffer, 'x', sizeof buffer);
    int exact = GetLocaleInfoA(EnglishUnitedStates, LOCALE_SENGCOUNTRY, buffer, 14);
    Report("locale.exact", "GetLocaleInfoA(0x0409, SENGCOUNTRY, buffer, 14)",
           Text("result=%d text=%.14s terminated=%d", exact, buffer, buffer[13] == '\0'),
           "result=14 text=United States terminated=1");
}

void CheckRefusals() {
    char buffer[32] = {};
    SetLastError(Unset);
    int negative = GetLocaleInfoA(EnglishUnitedStates, LOCALE_SENGLANGUAGE, buffer, -1);
    Report("locale.negative-size", "GetLocaleInfoA(0x0409, SENGLANGUAGE, buffer, -1)",
           Text("result=%d error=%u", negative, GetLastError()), "result=0 error=87");
    // No such language: an invalid locale identifier.
    SetLastError(Unset);
    int unknown = GetLocaleInfoA(0xBEEF, LOCALE_SENGLANGUAGE, buffer, sizeof buffer);
    Report("locale.invalid-lcid", "GetLocaleInfoA(0xBEEF, SENGLANGUAGE)",
           Text("result=%d error=%u", unknown, GetLastError()), "result=0 error=87");
    SetLastError(Unset);
    int badType = GetLocaleInfoA(EnglishUnitedStates, 0x7777, buffer, sizeof buffer);
    Report("locale.invalid-type", "GetLocaleInfoA(0x0409, 0x7777)",
           Text("result=%d error=%u", badType, GetLastError()), "result=0 error=1004");
}

} // namespace

void RunLocaleChecks() {
    CheckDefaults();
    CheckKnownLocales();
    CheckBufferContract();
    CheckRefusals();
}

} // namespace conformance
