// The user's locale name, built from the locale information as the C runtime
// builds it for setlocale(LC_ALL, "").
#include "config/user_locale.h"
#include "support/machine_test.h"

#include <cstring>
#include <string>

namespace {

using UserLocaleTest = MachineTest;

// The name buffer with guard bytes after it: nothing may be written there.
struct GuardedName {
    char name[LocaleNameSize];
    char guard[64];
};

std::string NameOf(const std::string& machineLocale) {
    emu::Machine().localeName = machineLocale;
    GuardedName buffer;
    std::memset(buffer.guard, 'g', sizeof buffer.guard);
    const char* built = UserLocaleName(buffer.name);
    EXPECT_EQ(std::string(buffer.guard, sizeof buffer.guard), std::string(sizeof buffer.guard, 'g'))
        << machineLocale;
    return built == nullptr ? "(none)" : built;
}

TEST_F(UserLocaleTest, LanguageCountryAndCodePage) {
    for (const char* locale :
         {"English_United States.1252", "French_France.1252", "Dutch_Netherlands.1252",
          "German_Germany.1252", "Italian_Italy.1252", "Portuguese_Portugal.1252",
          "Spanish_Spain.1252", "Japanese_Japan.932", "Norwegian (Bokmål)_Norway.1252"}) {
        EXPECT_EQ(NameOf(locale), locale);
    }
}

TEST_F(UserLocaleTest, EachPartMustBeHadWhole) {
    EXPECT_EQ(NameOf(""), "(none)");
    // Parts the locale lacks are empty, not missing.
    EXPECT_EQ(NameOf("C"), "C_.");
    // Each name has room for 63 characters and its separator, the code page
    // for 15 and the terminator.
    const std::string longest(63, 'L');
    const std::string tooLong(64, 'L');
    EXPECT_EQ(NameOf(longest + "_" + longest + ".65001"), longest + "_" + longest + ".65001");
    EXPECT_EQ(NameOf(tooLong + "_France.1252"), "(none)");
    EXPECT_EQ(NameOf("French_" + tooLong + ".1252"), "(none)");
    EXPECT_EQ(NameOf("French_France." + std::string(16, '9')), "(none)");
    EXPECT_EQ(NameOf("French_France." + std::string(15, '9')),
              "French_France." + std::string(15, '9'));
}

} // namespace
