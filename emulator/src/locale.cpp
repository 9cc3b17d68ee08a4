// The user's default locale. The machine keeps it as the name the C runtime
// builds from it on Windows ("French_France.1252"); GetLocaleInfoA gives its
// three parts back: the language before the '_', the country up to the '.',
// the ANSI code page after it. A machine without a name has no locale data.
#include <windows.h>

#include "emu/machine.h"

#include <string>

namespace {

std::string LocalePart(const std::string& name, LCTYPE type) {
    const std::size_t underscore = name.find('_');
    const std::size_t point =
        underscore == std::string::npos ? std::string::npos : name.find('.', underscore);
    switch (type) {
    case LOCALE_SENGLANGUAGE: return name.substr(0, underscore);
    case LOCALE_SENGCOUNTRY:
        return underscore == std::string::npos
                   ? ""
                   : name.substr(underscore + 1, point == std::string::npos
                                                     ? std::string::npos
                                                     : point - underscore - 1);
    default: return point == std::string::npos ? "" : name.substr(point + 1);
    }
}

} // namespace

int WINAPI GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData) {
    const std::string& name = emu::Machine().localeName;
    if ((Locale != LOCALE_USER_DEFAULT && Locale != LOCALE_SYSTEM_DEFAULT) || name.empty() ||
        cchData < 0 || (cchData > 0 && lpLCData == nullptr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (LCType != LOCALE_SENGLANGUAGE && LCType != LOCALE_SENGCOUNTRY &&
        LCType != LOCALE_IDEFAULTANSICODEPAGE) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const std::string part = LocalePart(name, LCType);
    const int needed = static_cast<int>(part.size()) + 1;
    if (cchData == 0) {
        return needed;
    }
    if (cchData < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    part.copy(lpLCData, part.size());
    lpLCData[part.size()] = '\0';
    return needed;
}
