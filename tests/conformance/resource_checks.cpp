// Resources: LoadStringA and LoadIconA on the program's own resources (the
// product's resource script, linked into both builds).
#include "conformance.h"

#include <cstring>

namespace conformance {

namespace {

constexpr UINT CaptionId = 102;        // "Check Calibration"
constexpr UINT FrenchCaptionId = 2100; // "Touchez des points quelconques à travers de l'écran."
constexpr UINT EmptySlotId = 96;       // in the block of 102, but not in the table
constexpr UINT MissingBlockId = 40000;

void CheckLoad(const char* name, UINT id, int capacity, const char* expected) {
    char buffer[128];
    std::memset(buffer, 0x5A, sizeof buffer);
    int count = LoadStringA(Instance(), id, buffer, capacity);
    std::string text = count >= 0 ? std::string(buffer) : std::string("-");
    Report(name, Text("LoadStringA(0x%X, buffer of %d)", id, capacity),
           Text("%d \"%s\"", count, text.c_str()), expected);
}

void CheckStrings() {
    CheckLoad("res.string", CaptionId, 128, "17 \"Check Calibration\"");
    CheckLoad("res.string-exact-room", CaptionId, 18, "17 \"Check Calibration\"");
    // Truncated to leave room for the terminator, which is always written.
    CheckLoad("res.string-truncated", CaptionId, 17, "16 \"Check Calibratio\"");
    CheckLoad("res.string-one-char", CaptionId, 1, "0 \"\"");
    CheckLoad("res.string-high-word-ignored", CaptionId | 0x80000000u, 128,
              "17 \"Check Calibration\"");
    CheckLoad("res.string-ansi-code-page", FrenchCaptionId, 128,
              "52 \"Touchez des points quelconques \xE0 travers de l'\xE9"
              "cran.\"");
    CheckLoad("res.string-empty-slot", EmptySlotId, 128, "0 \"\"");

    char buffer[16];
    std::memset(buffer, 0x5A, sizeof buffer);
    int count = LoadStringA(Instance(), CaptionId, buffer, 0);
    Report("res.string-zero-capacity", "LoadStringA(102, buffer of 0)",
           Text("%d first=%02x", count, static_cast<unsigned char>(buffer[0])), "-1 first=5a");

    std::memset(buffer, 0x5A, sizeof buffer);
    SetLastError(Unset);
    count = LoadStringA(Instance(), MissingBlockId, buffer, sizeof buffer);
    Report("res.string-missing", "LoadStringA(40000)",
           Text("%d first=%02x error=%u", count, static_cast<unsigned char>(buffer[0]),
                GetLastError()),
           "0 first=00 error=1814");
}

void CheckIcons() {
    HICON icon = LoadIconA(Instance(), "VINTOQ");
    HICON again = LoadIconA(Instance(), "vintoq");
    Report("res.icon", "LoadIconA(instance, \"VINTOQ\") and (\"vintoq\")",
           Text("first=%s second=%s", icon != nullptr ? "valid" : "NULL",
                again == icon ? "same" : "other"),
           "first=valid second=same");
    HICON missing = LoadIconA(Instance(), "NOSUCHICON");
    Report("res.icon-missing", "LoadIconA(instance, \"NOSUCHICON\")",
           Text("icon=%s", missing != nullptr ? "valid" : "NULL"), "icon=NULL");
    // No instance: the system's predefined icons, shared like any icon.
    constexpr WORD IdiExclamation = 32515;
    HICON warning = LoadIconA(nullptr, MAKEINTRESOURCEA(IdiExclamation));
    HICON warningAgain = LoadIconA(nullptr, MAKEINTRESOURCEA(IdiExclamation));
    Report("res.icon-system", "LoadIconA(NULL, IDI_EXCLAMATION) twice",
           Text("icon=%s same=%d", warning != nullptr ? "valid" : "NULL", warning == warningAgain),
           "icon=valid same=1");
}

} // namespace

void RunResourceChecks() {
    CheckStrings();
    CheckIcons();
}

} // namespace conformance
