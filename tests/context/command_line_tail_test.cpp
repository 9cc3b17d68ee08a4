#include "context/command_line_tail.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* commandLine;
    const char* tail;
};

void ExpectTails(const Case* begin, const Case* end) {
    for (const Case* c = begin; c != end; ++c) {
        std::string line = c->commandLine;
        const char* tail = CommandLineTail(line.data());
        // The tail is a position inside the text, never a copy.
        ASSERT_GE(tail, line.c_str()) << line;
        ASSERT_LE(tail, line.c_str() + line.size()) << line;
        EXPECT_EQ(std::string(tail), c->tail) << line;
    }
}

TEST(CommandLineTail, SkipsAPlainProgramNameAndTheBlanksAfterIt) {
    const Case cases[] = {
        {"", ""},
        {"vintoq32", ""},
        {"vintoq32.exe -T2", "-T2"},
        {"C:\\vintoq32.exe  \t -L2 -O30  ", "-L2 -O30  "},
        {"vintoq32 \"-T 2\"", "\"-T 2\""},
        // Nothing before the name: the name is empty and the blanks go.
        {"   vintoq32 -T2", "vintoq32 -T2"},
        {"vintoq32\t\r\n\v\f\x01\x1f-T2", "-T2"},
        {"vintoq32   ", ""},
        // '!', just above the blank, is part of the name and of the tail.
        {"vint!oq32 !-T2", "!-T2"},
    };
    ExpectTails(std::begin(cases), std::end(cases));
}

TEST(CommandLineTail, QuotesToggleWhereverTheyStand) {
    const Case cases[] = {
        {"\"C:\\Program Files\\Vintoq\\vintoq32.exe\" -T1", "-T1"},
        {"\"C:\\Program Files\\vintoq32.exe\"", ""},
        // Right after the closing quote the name goes on to the next blank.
        {"\"C:\\Program Files\\vintoq32.exe\"-L2 -T1", "-T1"},
        {"C:\\Program\" \"Files\\vintoq32.exe -O5", "-O5"},
        {"\"\" -T3", "-T3"},
        {"\"\"a b -T3", "b -T3"},
        // An unmatched quote takes everything into the name.
        {"\"C:\\Program Files\\vintoq32.exe -T2", ""},
        {"vintoq32\" -T2 -L1", ""},
    };
    ExpectTails(std::begin(cases), std::end(cases));
}

TEST(CommandLineTail, BytesAbove127BelongToTheNameAndTheTail) {
    const Case cases[] = {
        // Started from a command prompt: the folder's name unquoted.
        {"C:\\B\xfcro\\Touch-Tools\\vintoq32.exe -O5", "-O5"},
        // Started by the shell: the same path quoted.
        {"\"C:\\B\xfcro\\Touch-Tools\\vintoq32.exe\" -O5", "-O5"},
        {"vintoq\xe9-T2", ""},
        {"vintoq32 \xa0\xff-T2", "\xa0\xff-T2"},
        {"caf\xe9 -T2 \xe9", "-T2 \xe9"},
        {"\"C:\\Caf\xe9 Vintoq\\vintoq32.exe\" -T2", "-T2"},
        {"\xe9vintoq32 -T2", "-T2"},
        {"\x80 -T2", "-T2"},
    };
    ExpectTails(std::begin(cases), std::end(cases));
}

// Every byte from 0x80 to 0xFF, at the start, inside and at the end of a
// folder name, quoted and unquoted, and first in the tail: none of them ends
// the name or is skipped as white space.
TEST(CommandLineTail, NoByteAbove127SeparatesOrIsSkipped) {
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const std::string b(1, static_cast<char>(byte));
        const std::string folders[] = {b + "cole", "B" + b + "ro", "Caf" + b, b};
        for (const std::string& folder : folders) {
            const std::string path = "C:\\" + folder + "\\vintoq32.exe";
            for (const std::string& name : {path, "\"" + path + "\""}) {
                std::string line = name + " -O5";
                EXPECT_STREQ(CommandLineTail(line.data()), "-O5")
                    << std::hex << byte << ' ' << name;
                line = name + " \t" + b + "-T2 " + b;
                EXPECT_EQ(std::string(CommandLineTail(line.data())), b + "-T2 " + b)
                    << std::hex << byte << ' ' << name;
            }
        }
    }
}

} // namespace
