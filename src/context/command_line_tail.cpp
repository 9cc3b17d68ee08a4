#include "context/command_line_tail.h"

namespace {

constexpr unsigned char Blank = ' ';
constexpr char Quote = '"';

// The Microsoft runtime compares unsigned chars: a byte of 0x80 and above is a
// letter of the ANSI code page (the u of "C:\Büro" is 0xFC in code page 1252)
// and belongs to the program name or the tail; only the control characters
// and the blank separate them.
bool AboveBlank(char c) {
    return static_cast<unsigned char>(c) > Blank;
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
