// The string tables as LoadStringA gives them to the program: every text of
// every language, byte for byte in Windows-1252.
#include "support/machine_test.h"
#include "ui/resource.h"
#include "ui/texts.h"

#include "emu/resources.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

struct Text {
    UINT baseId;
    const char* utf8;
};

// Language 0.
const std::vector<Text> English = {
    {100, "Touch different areas on the screen."},
    {101, "Does the cursor jump to your fingertip?"},
    {102, "Check Calibration"},
    {103, "Touch the targets from a position of normal use."},
    {104, "Press Esc key to skip to next touch screen."},
    {105, "Yes"},
    {106, "No"},
    {110, "Error in command line parameter"},
    {111, "Parameter \"%s\" invalid in command line \"%s\""},
    {112, "Vintoq32 have no command line parameters."},
    {113, " "},
    {114, " "},
    {115, " "},
    {116, " "},
    {117, " "},
    {118, " "},
    {119, " "},
    {120, " "},
    {121, " "},
    {122, " "},
    {123, " "},
    {124, " "},
    {125, " "},
    {150, "Unable to open touchscreen.  Is driver loaded?"},
    {151, "Failed to close dravix device."},
    {152, "Error: No registry branch for touchscreen %d."},
    {153, "Error: unable to open key.  Probably due to security reasons."},
    {154, "Error: Unable to set one or more registry keys."},
    {155, "You do not have sufficient access right, contact system administrator."},
    {156, "Touchscreen Driver and Vintoq32 version mismatch. Re-install touchscreen drivers from "
          "floppy or obtain a new complete set of drivers from Zorva."},
};

// Base ids 100 to 104 of languages 1 to 6.
const std::vector<std::vector<const char*>> Translated = {
    {"Raak willekeurige punten aan op het scherm.", "Volgt de pijl uw vinger nauwkeurig ?",
     "Kalibratie controleren", "Raak de referentiepunten aan vanuit",
     "een normale gebruikerspositie."},
    {"Touchez des points quelconques à travers de l'écran.",
     "Est-ce que le curseur suit de près votre doigt ?", "Vérification de la calibration",
     "Touchez les points cibles depuis", "une position d'utilisation normale."},
    {"Berühren Sie den Bildschirm an verschiedenen Stellen.",
     "Springt der Cursor unter Ihren Finger?", "Kalibration überprüfen",
     "Bitte berühren Sie die Zielpunkte", "aus einem typischen Betrachtungswinkel."},
    {"Tocca lo schermo in diversi punti.", "Il cursore segue il tuo dito?",
     "Controlla Calibrazione", "Tocca le crocette da un", "posizione di normale utilizzo."},
    {"Toque diferentes areas da tela.", "O cursor salta para o local do toque?",
     "Verifique a calibragem", "Toque as marcas de uma", "posição de uso normal."},
    {"Toque diferentes áreas de la pantalla.", "¿Salta el cursor al lugar que toca con el dedo?",
     "Verificar calibración", "Toque los objetivos desde", "una posición de uso normal."},
};

// Base ids 112 to 125 of languages 1 to 6.
const std::vector<const char*> OptionHelp = {
    "Vintoq32 command line parameters:",
    "   -Tn                    n = Installed touchscreen/controller to calibrate. Range 1 to 16.",
    "   -Psx,sy,px,py     sx,sy = X any Y size of the monitor grid. Single monitor = 1,1. Max = "
    "16,16.",
    "                            px,py = X and Y position of touchscreen n in monitor grid. Single "
    "monitor = 1,1",
    "   -G+/-                 + = Show Zorva logo, - = no logo.",
    "   -Ln                    Specific language to use 0 = English, 1= Dutch, 2 = French, 3 = "
    "German,",
    "                            4 = Italian, 5 = Purtuguese, 6 = Spanish",
    "   -On                    Timeout, in seconds, if there is no touch or [Esc]. ",
    "                             Range 1 to 600, 60 or greater recommended.",
    "Defaults are: -T1 -P1,1,1,1 -G+ -O60 (no -L = use CPL language)",
    "Examples:",
    "   1 touchscreen, 1 monitor: VINTOQ32",
    "   2 screens in 2x1 grid: VINTOQ32 -T1 -P2,1,1,1 and VINTOQ32 -T2 -P2,1,2,1",
    "   2 screens showing same desktop: VINTOQ32 -T1 -P1,1,1,1 and VINTOQ32 -T2 -P1,1,1,1",
};

constexpr const char* NoTouchscreens = "There are no Zorva touchscreens installed.";

class StringTableTest : public MachineTest {
  protected:
    // The text of a string id read with a buffer of the size of TextBuffer,
    // checked to be terminated and to fit.
    static std::string Load(UINT id) {
        char buffer[512];
        std::fill(std::begin(buffer), std::end(buffer), '\x7F');
        int length = LoadStringA(emu::ProgramInstance(), id, buffer, sizeof buffer);
        EXPECT_GE(length, 0) << id;
        EXPECT_EQ(buffer[length], '\0') << id;
        return std::string(buffer, static_cast<std::size_t>(length));
    }

    // The expected text of base id b in language n, in UTF-8.
    static std::string Expected(int language, UINT baseId) {
        if (language == 0 || (baseId >= 105 && baseId <= 111) || (baseId >= 150 && baseId != 155)) {
            for (const auto& text : English) {
                if (text.baseId == baseId) {
                    return text.utf8;
                }
            }
        }
        if (baseId >= 100 && baseId <= 104) {
            return Translated[static_cast<std::size_t>(language - 1)][baseId - 100];
        }
        if (baseId >= 112 && baseId <= 125) {
            return OptionHelp[baseId - 112];
        }
        return NoTouchscreens;
    }
};

TEST_F(StringTableTest, EveryTextOfEveryLanguage) {
    ASSERT_EQ(English.size(), 30u);
    for (int language = 0; language < 7; ++language) {
        for (const auto& text : English) {
            UINT id = text.baseId + IDS_LANGUAGE_STEP * static_cast<UINT>(language);
            EXPECT_EQ(emu::Utf8FromWindows1252(Load(id)), Expected(language, text.baseId))
                << "string " << id;
        }
    }
}

TEST_F(StringTableTest, TablesHoldExactlyTheThirtyBaseIdsOfSevenLanguages) {
    std::set<UINT> expected;
    for (int language = 0; language < 7; ++language) {
        for (const auto& text : English) {
            expected.insert(text.baseId + IDS_LANGUAGE_STEP * static_cast<UINT>(language));
        }
    }
    std::set<UINT> present;
    for (UINT id = 0; id <= 0xFFFF; ++id) {
        if (emu::FindString(emu::ProgramInstance(), id)) {
            present.insert(id);
        }
    }
    EXPECT_EQ(present, expected);
    EXPECT_EQ(present.size(), 210u);
}

TEST_F(StringTableTest, AccentedLettersComeOutInWindows1252) {
    EXPECT_EQ(Load(2102), "V\xE9rification de la calibration");
    EXPECT_EQ(Load(2100), "Touchez des points quelconques \xE0 travers de l'\xE9"
                          "cran.");
    EXPECT_EQ(Load(2101), "Est-ce que le curseur suit de pr\xE8s votre doigt ?");
    EXPECT_EQ(Load(3100), "Ber\xFChren Sie den Bildschirm an verschiedenen Stellen.");
    EXPECT_EQ(Load(3102), "Kalibration \xFC"
                          "berpr\xFC"
                          "fen");
    EXPECT_EQ(Load(5104), "posi\xE7\xE3o de uso normal.");
    EXPECT_EQ(Load(6101), "\xBFSalta el cursor al lugar que toca con el dedo?");
    EXPECT_EQ(Load(6102), "Verificar calibraci\xF3n");
}

TEST_F(StringTableTest, BlanksAndQuotesAreKept) {
    EXPECT_EQ(Load(IDS_PARAM_ERROR_FORMAT), "Parameter \"%s\" invalid in command line \"%s\"");
    EXPECT_EQ(Load(IDS_OPEN_DRIVER_FAILED), "Unable to open touchscreen.  Is driver loaded?");
    for (UINT id = IDS_PARAM_HELP_2; id <= IDS_PARAM_EXAMPLE_4; ++id) {
        EXPECT_EQ(Load(id), " ") << id;
    }
    std::string timeout = Load(IDS_PARAM_HELP_8 + IDS_LANGUAGE_STEP);
    EXPECT_EQ(timeout.back(), ' ');
    EXPECT_EQ(timeout.substr(0, 6), "   -On");
    EXPECT_EQ(Load(IDS_PARAM_HELP_9 + 6 * IDS_LANGUAGE_STEP).find_first_not_of(' '), 29u);
}

TEST_F(StringTableTest, ALocalizedTextWithNoRoomLeavesTheBufferAlone) {
    char buffer[] = "abc";
    Context.LanguageIndex = 2;
    EXPECT_EQ(LoadLocalizedString(Context.InstanceHandle, IDS_YES, buffer, 0), buffer);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(LoadLocalizedString(Context.InstanceHandle, IDS_YES, buffer, sizeof buffer), buffer);
    EXPECT_STREQ(buffer, "Yes");
}

// Each of the seven languages reads its own tables, Spanish (6) the last of
// them; a number past them, or below 0, reads the English ones.
TEST_F(StringTableTest, EveryLanguageLoadsItsOwnTextsAndAnyOtherNumberTheEnglish) {
    char buffer[TextBufferSize];
    for (std::int32_t language : {0, 1, 2, 3, 4, 5, 6, 7, -1, 1000}) {
        Context.LanguageIndex = language;
        const UINT table = language >= 0 && language <= 6 ? static_cast<UINT>(language) : 0;
        LoadLocalizedString(Context.InstanceHandle, IDS_TEST_CAPTION, buffer, TextLoadLimit);
        EXPECT_EQ(buffer, Load(IDS_TEST_CAPTION + IDS_LANGUAGE_STEP * table)) << language;
    }
}

TEST_F(StringTableTest, EveryTextFitsTheUsualCapacity) {
    // Texts are loaded with a capacity of 250 characters as a rule.
    for (int language = 0; language < 7; ++language) {
        for (const auto& text : English) {
            UINT id = text.baseId + IDS_LANGUAGE_STEP * static_cast<UINT>(language);
            EXPECT_LT(Load(id).size(), 250u) << id;
        }
    }
}

} // namespace
