#include "context/command_line.h"
#include "support/machine_test.h"

#include <cstddef>
#include <string>

namespace {

constexpr const char* EnglishFormat = "Parameter \"%s\" invalid in command line \"%s\"";

class CommandLineTest : public MachineTest {
  protected:
    // Parses the text; on failure formats the message as start-up does and
    // returns it, on success returns "".
    std::string Run(std::string text) {
        line = text;
        int position = -1;
        if (ParseCommandLine(line.c_str(), &position)) {
            return "";
        }
        failPosition = position;
        FormatParamError(line.data(), position, EnglishFormat);
        return Context.ParamErrorMessage;
    }
    static std::string Message(const std::string& parameter, const std::string& commandLine) {
        return "Parameter \"" + parameter + "\" invalid in command line \"" + commandLine + "\"";
    }
    std::string line;
    int failPosition = -1;
};

TEST_F(CommandLineTest, TextWithoutOptionsChangesNothing) {
    for (const char* text : {"", "hello world", "   "}) {
        Context = CalibrationContext{};
        EXPECT_EQ(Run(text), "") << text;
        EXPECT_EQ(Context.UseStoredRanges, 1);
        EXPECT_EQ(Context.ScreenIndex, 0);
        EXPECT_EQ(Context.TimeoutSeconds, 60);
    }
}

// The number may follow white space of any of the six kinds a C runtime
// skips.
TEST_F(CommandLineTest, ScreenOptionInAnyCaseAndWithWhiteSpace) {
    for (const char* text :
         {"-t2", "-T2", "-T 2", "-T\t+2", "-T\n2", "-T\v2", "-T\f2", "-T\r2", "-T1 -T2"}) {
        Context = CalibrationContext{};
        EXPECT_EQ(Run(text), "") << text;
        EXPECT_EQ(Context.ScreenIndex, 1) << text; // screen 2 counted from 0
        EXPECT_EQ(Context.UseStoredRanges, 0) << text;
    }
}

TEST_F(CommandLineTest, ScreenNumbersBelowOneAreInvalid) {
    EXPECT_EQ(Run("-T0"), Message("-T0", "-T0"));
    EXPECT_EQ(Run("-T0 -L1"), Message("-T0", "-T0 -L1"));
    // "-T-1": -T reads -1 and is refused at its own '-'.
    EXPECT_EQ(Run("-T-1"), Message("-T-1", "-T-1"));
    EXPECT_EQ(failPosition, 0);
    EXPECT_EQ(Run("-T"), Message("-T", "-T"));
    EXPECT_EQ(Run("-T-2147483648"), Message("-T-2147483648", "-T-2147483648"));
}

TEST_F(CommandLineTest, LargestScreenNumberIsAccepted) {
    EXPECT_EQ(Run("-T2147483647"), "");
    EXPECT_EQ(Context.ScreenIndex, 2147483646); // 2147483647 - 1, counted from 0
    // Wraps in 32 bits like the runtime's reader, to a negative and invalid value.
    EXPECT_NE(Run("-T2147483648"), "");
}

TEST_F(CommandLineTest, LanguageIsStoredBeforeItIsJudged) {
    EXPECT_EQ(Run("-L"), "");
    EXPECT_EQ(Context.LanguageIndex, 0);
    EXPECT_EQ(Run("-l6"), "");
    EXPECT_EQ(Context.LanguageIndex, 6);
    EXPECT_EQ(Run("-L7"), Message("-L7", "-L7"));
    EXPECT_EQ(Context.LanguageIndex, 7);
    EXPECT_EQ(Run("-L-1"), Message("-L-1", "-L-1"));
    EXPECT_EQ(Context.LanguageIndex, -1);
}

TEST_F(CommandLineTest, LanguageAppliedBeforeALaterInvalidOption) {
    EXPECT_EQ(Run("-L2 -Q"), Message("-Q", "-L2 -Q"));
    EXPECT_EQ(Context.LanguageIndex, 2);
}

TEST_F(CommandLineTest, TimeoutRange) {
    EXPECT_EQ(Run("-O"), Message("-O", "-O"));
    EXPECT_EQ(Run("-O0"), Message("-O0", "-O0"));
    EXPECT_EQ(Context.TimeoutSeconds, 60);
    EXPECT_EQ(Run("-O1"), "");
    EXPECT_EQ(Context.TimeoutSeconds, 1);
    EXPECT_EQ(Run("-o600"), "");
    EXPECT_EQ(Context.TimeoutSeconds, 600);
    EXPECT_EQ(Run("-O601"), Message("-O601", "-O601"));
}

TEST_F(CommandLineTest, NumbersEndAtTheFirstCharacterThatIsNotADigit) {
    // '/' and ':' are the characters on either side of the digits.
    EXPECT_EQ(Run("-T2/"), "");
    EXPECT_EQ(Context.ScreenIndex, 1);
    EXPECT_EQ(Run("-O5:"), "");
    EXPECT_EQ(Context.TimeoutSeconds, 5);
}

TEST_F(CommandLineTest, DashInsideAValueStartsANewOption) {
    EXPECT_EQ(Run("-O5-3"), Message("-3", "-O5-3"));
    EXPECT_EQ(failPosition, 3); // "-O5" is 3 characters
    EXPECT_EQ(Context.TimeoutSeconds, 5);
}

TEST_F(CommandLineTest, GridOption) {
    EXPECT_EQ(Run("-P1,1,1,1"), "");
    EXPECT_EQ(Context.UseStoredRanges, 0);
    EXPECT_EQ(Run("-p2,1,2,1"), "");
    EXPECT_EQ(Context.GridColumns, 2);
    EXPECT_EQ(Context.GridRows, 1);
    EXPECT_EQ(Context.GridColumn, 2);
    EXPECT_EQ(Context.GridRow, 1);
    EXPECT_EQ(Run("-P16,16,16,16"), "");
}

TEST_F(CommandLineTest, InvalidGridsAreNamedWhole) {
    EXPECT_EQ(Run("-P17,1,1,1"), Message("-P17,1,1,1", "-P17,1,1,1"));
    EXPECT_EQ(Run("-P2,1,3,1 -O30"), Message("-P2,1,3,1", "-P2,1,3,1 -O30"));
    EXPECT_EQ(Run("-P2,1"), Message("-P2,1", "-P2,1"));
    EXPECT_EQ(Run("-P0,1,1,1"), Message("-P0,1,1,1", "-P0,1,1,1"));
    EXPECT_EQ(Run("-P2,2,1,3"), Message("-P2,2,1,3", "-P2,2,1,3"));
    EXPECT_EQ(Run("-P2,1,0,1"), Message("-P2,1,0,1", "-P2,1,0,1"));
    EXPECT_EQ(Run("-P1,2,1,0"), Message("-P1,2,1,0", "-P1,2,1,0"));
    EXPECT_EQ(Run("-P"), Message("-P", "-P"));
}

TEST_F(CommandLineTest, GridValuesComeFromCommasAnywhereAfterTheOption) {
    EXPECT_EQ(Run("-P2 -T3,1,2,1"), "");
    EXPECT_EQ(Context.GridColumns, 2);
    EXPECT_EQ(Context.GridRows, 1);
    EXPECT_EQ(Context.GridColumn, 2);
    EXPECT_EQ(Context.GridRow, 1);
    // The scanner resumed after the third comma: -T3 was never applied.
    EXPECT_EQ(Context.ScreenIndex, 0);
}

TEST_F(CommandLineTest, GOptionAcceptsAnything) {
    for (const char* text : {"-G", "-G+", "-G-", "-Gx", "-g", "-G- "}) {
        Context = CalibrationContext{};
        EXPECT_EQ(Run(text), "") << text;
        EXPECT_EQ(Context.UseStoredRanges, 1);
    }
}

// The '-' after G is its sign only before a blank or at the end of the text;
// anywhere else it begins the next option, as a '-' inside any value does.
TEST_F(CommandLineTest, DashAfterGBeginsAnOptionUnlessABlankOrTheEndFollows) {
    EXPECT_EQ(Run("-G- -T2"), "");
    EXPECT_EQ(Context.ScreenIndex, 1);

    Context = CalibrationContext{};
    EXPECT_EQ(Run("-G-T2"), "");
    EXPECT_EQ(Context.ScreenIndex, 1);
    EXPECT_EQ(Context.UseStoredRanges, 0);

    EXPECT_EQ(Run("-G- -X"), Message("-X", "-G- -X"));
    EXPECT_EQ(failPosition, 4); // after "-G- "
    EXPECT_EQ(Run("-G-3"), Message("-3", "-G-3"));
    EXPECT_EQ(failPosition, 2); // after "-G"
    // The second '-' is an option whose letter is the third.
    EXPECT_EQ(Run("-G--T2"), Message("--T2", "-G--T2"));
    EXPECT_EQ(failPosition, 2); // after "-G"
    // A blank is the space character only.
    EXPECT_EQ(Run("-G-\t-T2"), Message("-\t-T2", "-G-\t-T2"));
    EXPECT_EQ(failPosition, 2); // after "-G"
}

TEST_F(CommandLineTest, UnknownLettersAndATrailingDash) {
    EXPECT_EQ(Run("-X"), Message("-X", "-X"));
    EXPECT_EQ(Run("-T2 -"), Message("-", "-T2 -"));
    EXPECT_EQ(failPosition, 4); // after "-T2 "
    EXPECT_EQ(Run("-T1 --T2"), Message("--T2", "-T1 --T2"));
}

TEST_F(CommandLineTest, ParsingLeavesTheTextAlone) {
    std::string text = "-T2 -O30 -Q";
    std::string copy = text;
    int position = 0;
    EXPECT_EQ(ParseCommandLine(text.c_str(), &position), 0);
    EXPECT_EQ(text, copy);
    EXPECT_EQ(position, 9); // after "-T2 -O30 "
}

TEST_F(CommandLineTest, LongCommandLineIsQuotedToFiftyCharacters) {
    std::string text = "-X" + std::string(58, 'a');
    ASSERT_EQ(text.size(), 60u);
    EXPECT_EQ(Run(text), Message(text.substr(0, 50), text.substr(0, 50)));
}

TEST_F(CommandLineTest, OptionBeyondTheCutRunsInTheUncutRest) {
    std::string text = std::string(55, 'x') + " -Qbeyond tail";
    EXPECT_EQ(Run(text), Message("-Qbeyond", text.substr(0, 50)));
}

TEST_F(CommandLineTest, OptionRightAtTheCutIsStillNamed) {
    std::string text = std::string(50, 'x') + "-Q rest";
    EXPECT_EQ(Run(text), Message("-Q", text.substr(0, 50)));
}

TEST_F(CommandLineTest, OverlongParameterIsShortenedToFit) {
    std::string text = std::string(60, 'x') + " -Q" + std::string(1000, 'z');
    std::string message = Run(text);
    // ParamErrorMessage holds 512 characters with the terminator.
    EXPECT_EQ(message.size(), 511u); // 512 - 1
    std::string quoted = "\" invalid in command line \"" + text.substr(0, 50) + "\"";
    EXPECT_EQ(message.substr(message.size() - quoted.size()), quoted);
    EXPECT_EQ(message.substr(0, 14), "Parameter \"-Qz");
}

// The screen table follows the message in the context record: its first
// bytes show a write past the message's 512 characters.
static_assert(offsetof(CalibrationContext, ScreenRangeTable) ==
              offsetof(CalibrationContext, ParamErrorMessage) + TextBufferSize);

TEST_F(CommandLineTest, FormatThatFillsTheMessageAloneLeavesNoRoomForTheParameter) {
    // The format names the parameter first; its own text and the quoted "-Q"
    // take 512 characters and more, so the parameter is left out entirely.
    for (std::size_t fill : {510u, 600u}) {
        Context.ScreenRangeTable[0].KeyPath[0] = 'k';
        Context.ScreenRangeTable[0].KeyPath[1] = 'p';
        const std::string format = "%s" + std::string(fill, 'y') + "%s";
        line = "-Q";
        int position = -1;
        ASSERT_EQ(ParseCommandLine(line.c_str(), &position), 0);
        FormatParamError(line.data(), position, format.c_str());
        const std::string message = Context.ParamErrorMessage;
        EXPECT_EQ(message, (std::string(fill, 'y') + "-Q").substr(0, 511)) << fill;
        EXPECT_EQ(Context.ScreenRangeTable[0].KeyPath[0], 'k') << fill;
        EXPECT_EQ(Context.ScreenRangeTable[0].KeyPath[1], 'p') << fill;
    }
}

TEST(CommandLineNumbers, WrapInThirtyTwoBits) {
    Context = CalibrationContext{};
    int position = 0;
    // 4294967297 wraps to 1.
    EXPECT_EQ(ParseCommandLine("-O4294967297", &position), 1);
    EXPECT_EQ(Context.TimeoutSeconds, 1);
}

} // namespace
