#include "context/command_line.h"
#include "context/context.h"

#include <cstring>

namespace {

constexpr int MinLanguage = 0;
constexpr int MaxLanguage = 6;
constexpr int MinTimeout = 1;
constexpr int MaxTimeout = 600;
constexpr int MaxGridCells = MaxScreens;
// The command line is quoted in the message up to this many characters.
constexpr std::size_t QuotedCommandLineLength = 50;
constexpr int WsprintfLimit = 1024;

bool IsNumberSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A signed decimal number as the C runtime's atoi reads it, except that an
// overflow wraps in 32 bits instead of being undefined.
std::int32_t ReadNumber(const char* text) {
    while (IsNumberSpace(*text)) {
        ++text;
    }
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    std::uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10U + static_cast<std::uint32_t>(*text - '0');
    }
    return static_cast<std::int32_t>(negative ? 0U - value : value);
}

bool InRange(std::int32_t value, std::int32_t low, std::int32_t high) {
    return value >= low && value <= high;
}

// The -L value is stored before it is judged, so the report of a bad -L comes
// in the language it named (or the fallback for one that has no texts).
bool ApplyLanguage(const char* value) {
    Context.LanguageIndex = ReadNumber(value);
    return InRange(Context.LanguageIndex, MinLanguage, MaxLanguage);
}

bool ApplyTimeout(const char* value) {
    std::int32_t seconds = ReadNumber(value);
    if (!InRange(seconds, MinTimeout, MaxTimeout)) {
        return false;
    }
    Context.TimeoutSeconds = seconds;
    return true;
}

bool ApplyScreen(const char* value) {
    std::int32_t screen = ReadNumber(value);
    if (screen < 1) {
        return false;
    }
    Context.UseStoredRanges = 0;
    Context.ScreenIndex = screen - 1;
    return true;
}

// -Psx,sy,px,py: each value after the previous comma, wherever that comma is
// in the rest of the text. *scan is left on the last comma found.
bool ApplyGrid(const char* value, const char** scan) {
    std::int32_t grid[4] = {ReadNumber(value), 0, 0, 0};
    for (int i = 1; i < 4; ++i) {
        const char* comma = std::strchr(*scan + (i == 1 ? 0 : 1), ',');
        if (comma == nullptr) {
            return false;
        }
        *scan = comma;
        grid[i] = ReadNumber(comma + 1);
    }
    auto [columns, rows, column, row] = grid;
    if (!InRange(columns, 1, MaxGridCells) || !InRange(rows, 1, MaxGridCells) ||
        !InRange(column, 1, columns) || !InRange(row, 1, rows)) {
        return false;
    }
    Context.UseStoredRanges = 0;
    Context.GridColumns = columns;
    Context.GridRows = rows;
    Context.GridColumn = column;
    Context.GridRow = row;
    return true;
}

bool ApplyOption(const char* dash, const char** scan) {
    const char* value = dash + 2;
    switch (dash[1]) {
    case 'G':
    case 'g':
        // -G+ and -G- (logo on, off) are documented forms, while a '-' inside
        // a value begins a new option. The '-' is taken as the sign of -G only
        // where it cannot begin one: before a blank or at the end of the text.
        if (value[0] == '-' && (value[1] == ' ' || value[1] == '\0')) {
            *scan = value;
        }
        return true;
    case 'L':
    case 'l': return ApplyLanguage(value);
    case 'O':
    case 'o': return ApplyTimeout(value);
    case 'P':
    case 'p': return ApplyGrid(value, scan);
    case 'T':
    case 't': return ApplyScreen(value);
    default: return false;
    }
}

} // namespace

int ParseCommandLine(const char* commandLine, int* failPosition) {
    const char* position = commandLine;
    while (const char* dash = std::strchr(position, '-')) {
        const char* scan = dash;
        if (!ApplyOption(dash, &scan)) {
            *failPosition = static_cast<int>(dash - commandLine);
            return 0;
        }
        // A '-' inside a value begins a new option.
        position = scan + 1;
    }
    return 1;
}

// The command line is quoted up to its 50th character. The parameter text runs
// from the invalid option's '-' to the next blank; an option that starts at or
// beyond the cut is read from the uncut rest of the line, so the message always
// names it. When the whole message would not fit in ParamErrorMessage, the
// parameter text is shortened from its end so that the quotes and the quoted
// command line stay whole.
void FormatParamError(char* commandLine, int failPosition, const char* format) {
    char quoted[QuotedCommandLineLength + 1] = {};
    std::strncpy(quoted, commandLine, QuotedCommandLineLength);
    const auto position = static_cast<std::size_t>(failPosition);
    if (position < QuotedCommandLineLength && std::strlen(commandLine) > QuotedCommandLineLength) {
        commandLine[QuotedCommandLineLength] = '\0';
    }
    char* parameter = commandLine + position;
    if (char* blank = std::strchr(parameter, ' ')) {
        *blank = '\0';
    }
    // wsprintfA writes at most 1024 characters; the message is measured there
    // and then copied into its 512.
    char formatted[WsprintfLimit + 1];
    int fixedLength = wsprintfA(formatted, format, "", quoted);
    std::size_t room = fixedLength < 0 || fixedLength >= TextBufferSize
                           ? 0
                           : static_cast<std::size_t>(TextBufferSize - 1 - fixedLength);
    if (std::strlen(parameter) > room) {
        parameter[room] = '\0';
    }
    wsprintfA(formatted, format, parameter, quoted);
    std::strncpy(Context.ParamErrorMessage, formatted, TextBufferSize - 1);
    Context.ParamErrorMessage[TextBufferSize - 1] = '\0';
}
