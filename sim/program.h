// Running the program on the emulated machine, and telling what happened.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace sim {

// Calls WinMain as the Windows program's start-up does: the options joined by
// single blanks, after the program name, make the process command line, and
// WinMain gets its tail (CommandLineTail), without the white space in front
// of the options. Records the exit code in the trace.
int RunProgram(const std::vector<std::string>& options);
int RunProgram(const std::string& commandLine);

// A readable transcript of the trace: windows, targets and touches, driver
// requests, dialogs, message boxes, registry writes and the exit code.
void WriteTranscript(std::ostream& out);

} // namespace sim
