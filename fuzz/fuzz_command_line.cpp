// The command line is the first thing the program reads that someone else
// wrote. Any text must parse without reading outside it; a rejected option must
// be reported in every language without writing beyond ParamErrorMessage or
// beyond the command-line text, and the report must name what it promises.
#include "context/command_line.h"
#include "context/context.h"
#include "emu/machine.h"
#include "ui/resource.h"
#include "ui/texts.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr std::size_t QuotedLength = 50;
constexpr std::size_t MessageCapacity = sizeof Context.ParamErrorMessage;

std::string formats[LanguageCount];

[[noreturn]] void Fault(const char* what, const std::string& commandLine, int language = -1) {
    std::fprintf(stderr, "FAULT: %s (language %d) for command line \"%s\"\n", what, language,
                 commandLine.c_str());
    std::abort();
}

void Check(bool holds, const char* what, const std::string& commandLine, int language = -1) {
    if (!holds) {
        Fault(what, commandLine, language);
    }
}

// The text in a heap block of exactly its size, so that AddressSanitizer sees
// any access past its terminator.
std::unique_ptr<char[]> ExactCopy(const std::string& text) {
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

// The format with its two %s filled in; the formats hold no other conversion.
std::string Fill(const std::string& format, const std::string& first, const std::string& second) {
    std::string out = format;
    std::size_t at = out.find("%s");
    out.replace(at, 2, first);
    at = out.find("%s", at + first.size());
    out.replace(at, 2, second);
    return out;
}

void CheckParsedSettings(const std::string& text) {
    const CalibrationContext& c = Context;
    Check(c.TimeoutSeconds >= 1 && c.TimeoutSeconds <= 600, "time-out out of range", text);
    Check(c.LanguageIndex >= 0 && c.LanguageIndex < LanguageCount, "language out of range", text);
    Check(c.GridColumns >= 1 && c.GridColumns <= MaxScreens && c.GridRows >= 1 &&
              c.GridRows <= MaxScreens,
          "grid size out of range", text);
    Check(c.GridColumn >= 1 && c.GridColumn <= c.GridColumns && c.GridRow >= 1 &&
              c.GridRow <= c.GridRows,
          "grid cell outside the grid", text);
    Check(c.ScreenIndex >= 0, "negative screen index", text);
    Check(c.UseStoredRanges == 0 || c.UseStoredRanges == 1, "UseStoredRanges not 0 or 1", text);
    if (c.UseStoredRanges == 1) {
        Check(c.ScreenIndex == 0 && c.GridColumns == 1 && c.GridColumn == 1,
              "screen or grid set without -T or -P", text);
    }
}

void CheckReport(const std::string& text, int failPosition, int language) {
    const auto position = static_cast<std::size_t>(failPosition);
    // What the message promises: the command line up to its 50th character,
    // and the option from its '-' to the next blank, cut at the 50th
    // character only when it starts before it.
    const std::string quoted = text.substr(0, QuotedLength);
    std::size_t end = text.find(' ', position);
    if (end == std::string::npos) {
        end = text.size();
    }
    if (position < QuotedLength) {
        end = std::min(end, QuotedLength);
    }
    std::string parameter = text.substr(position, end - position);
    const std::string& format = formats[language];
    std::string expected = Fill(format, parameter, quoted);
    // Where the option was shortened, if it was: the text is cut there too.
    std::size_t shortenedAt = std::string::npos;
    if (expected.size() >= MessageCapacity) {
        // Too long: the option is shortened from its end, the rest stays whole.
        std::size_t fixed = Fill(format, "", quoted).size();
        Check(fixed < MessageCapacity, "format and quoted line alone overflow", text, language);
        parameter.resize(MessageCapacity - 1 - fixed);
        shortenedAt = position + parameter.size();
        expected = Fill(format, parameter, quoted);
    }

    // Canaries on both sides of the message, inside the one context record
    // where AddressSanitizer cannot see a field overrun into its neighbour.
    std::memset(Context.TextBuffer, 0x5A, sizeof Context.TextBuffer);
    std::memset(Context.ScreenRangeTable[0].KeyPath, 0xA5,
                sizeof Context.ScreenRangeTable[0].KeyPath);
    std::memset(Context.ParamErrorMessage, 0x33, sizeof Context.ParamErrorMessage);

    std::unique_ptr<char[]> line = ExactCopy(text);
    FormatParamError(line.get(), failPosition, format.c_str());

    const char* message = Context.ParamErrorMessage;
    Check(std::memchr(message, '\0', MessageCapacity) != nullptr, "message not terminated", text,
          language);
    Check(expected == message, "message differs from what it should say", text, language);
    for (char byte : Context.TextBuffer) {
        Check(static_cast<unsigned char>(byte) == 0x5A, "write before ParamErrorMessage", text,
              language);
    }
    for (char byte : Context.ScreenRangeTable[0].KeyPath) {
        Check(static_cast<unsigned char>(byte) == 0xA5, "write after ParamErrorMessage", text,
              language);
    }
    // The command-line text is only cut: a terminator after the 50th
    // character, one on the blank that ends the option, and one where an
    // option too long for the message was shortened.
    const bool cut = position < QuotedLength && text.size() > QuotedLength;
    const std::size_t blank = text.find(' ', position);
    const bool blankInReach = blank != std::string::npos && (!cut || blank < QuotedLength);
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool mayCut =
            (cut && i == QuotedLength) || (blankInReach && i == blank) || i == shortenedAt;
        if (line[i] != text[i]) {
            Check(mayCut && line[i] == '\0', "command-line text changed beyond its cuts", text,
                  language);
        }
    }
    Check(line[text.size()] == '\0', "terminator of the command line changed", text, language);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    emu::Reset();
    for (int language = 0; language < LanguageCount; ++language) {
        char buffer[TextLoadLimit + 1] = {};
        LoadStringA(emu::ProgramInstance(),
                    IDS_PARAM_ERROR_FORMAT + IDS_LANGUAGE_STEP * static_cast<UINT>(language),
                    buffer, TextLoadLimit);
        formats[language] = buffer;
        std::size_t first = formats[language].find("%s");
        if (first == std::string::npos ||
            formats[language].find("%s", first + 2) == std::string::npos ||
            formats[language].find('%', formats[language].find("%s", first + 2) + 2) !=
                std::string::npos) {
            std::fprintf(stderr, "string %d is not a format with two %%s\n", 111 + 1000 * language);
            std::abort();
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The platform hands WinMain a C string: it ends at the first NUL.
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(std::strlen(text.c_str()));

    Context = CalibrationContext{};
    std::unique_ptr<char[]> line = ExactCopy(text);
    int failPosition = -1;
    int parsed = ParseCommandLine(line.get(), &failPosition);
    Check(text == line.get(), "parsing changed the text", text);
    if (parsed == 1) {
        CheckParsedSettings(text);
        return 0;
    }
    Check(parsed == 0, "result neither 0 nor 1", text);
    Check(failPosition >= 0 && static_cast<std::size_t>(failPosition) < text.size() &&
              text[static_cast<std::size_t>(failPosition)] == '-',
          "failure position not on a '-'", text);
    for (int language = 0; language < LanguageCount; ++language) {
        CheckReport(text, failPosition, language);
    }
    return 0;
}
