// The command-line text that WinMain receives.
#pragma once

// The part of the process command line (GetCommandLineA) that the Microsoft C
// runtime hands to WinMain: the program name skipped by its quoting rules,
// then the white space after it. Points into the given text.
char* CommandLineTail(char* commandLine);
