// The command line.
#pragma once

// Applies every valid option of the text to the context, in order, and stops
// at the first invalid one. Returns 1 on success; 0 with *failPosition set to
// the offset of the invalid option's '-'. The text is not changed.
int ParseCommandLine(const char* commandLine, int* failPosition);

// Fills ParamErrorMessage from the format text (string 111) for the option
// that failed at failPosition. Cuts the command-line text in place.
void FormatParamError(char* commandLine, int failPosition, const char* format);
