#include "context/command_line_tail.h"

namespace {

constexpr signed char Blank = ' ';
constexpr char Quote = '"';

// The runtime compares plain chars, which are signed on x86: a byte of 0x80
// and above ends an unquoted program name and is skipped as white space, like
// the control characters.
bool AboveBlank(char c) {
    return static_cast<signed char>(c) > Blank;
}

} // namespace

// Every quote toggles, wherever it stands: "a b"c d ends the name at the blank
// before d, and an unmatched quote takes the rest of the line into the name.
char* CommandLineTail(char* commandLine) {
    bool quoted = false;
    while (AboveBlank(*commandLine) || (*commandLine != '\0' && quoted)) {
        if (*commandLine == Quote) {
            quoted = !quoted;
        }
        ++commandLine;
    }
    while (*commandLine != '\0' && !AboveBlank(*commandLine)) {
        ++commandLine;
    }
    return commandLine;
}
