#include "config/user_locale.h"

#include <windows.h>

namespace {

// Appends one part after `length` characters and the separator after it.
// Returns the new length, or -1 when the part cannot be had or does not fit
// in `limit` characters.
int AppendLocalePart(char* name, int length, LCTYPE type, int limit, char separator) {
    const int written = GetLocaleInfoA(LOCALE_USER_DEFAULT, type, name + length, limit);
    if (written <= 0) {
        return -1;
    }
    length += written - 1; // without the terminator
    if (separator != '\0') {
        name[length++] = separator;
    }
    name[length] = '\0';
    return length;
}

} // namespace

const char* UserLocaleName(char (&name)[LocaleNameSize]) {
    int length = AppendLocalePart(name, 0, LOCALE_SENGLANGUAGE, LocalePartSize, '_');
    if (length >= 0) {
        length = AppendLocalePart(name, length, LOCALE_SENGCOUNTRY, LocalePartSize, '.');
    }
    if (length >= 0) {
        length = AppendLocalePart(name, length, LOCALE_IDEFAULTANSICODEPAGE, CodePageSize, '\0');
    }
    return length >= 0 ? name : nullptr;
}
