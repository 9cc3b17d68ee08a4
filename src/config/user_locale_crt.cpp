#include "config/user_locale.h"

#include <clocale>

// Also leaves the runtime's locale set to the user's default for the rest of
// the run; nothing else depends on it, as only integers are printed.
const char* UserLocaleName() {
    return std::setlocale(LC_ALL, "");
}
