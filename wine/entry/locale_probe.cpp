// Prints the user's locale name twice: as the C runtime's
// setlocale(LC_ALL, "") gives it and as UserLocaleName builds it.
#include <windows.h>

#include <clocale>
#include <cstdio>

#include "config/user_locale.h"

int main() {
    const char* runtime = std::setlocale(LC_ALL, "");
    char name[LocaleNameSize];
    const char* ours = UserLocaleName(name);
    std::printf("runtime=%s\nours=%s\n", runtime == nullptr ? "(none)" : runtime,
                ours == nullptr ? "(none)" : ours);
    return 0;
}
