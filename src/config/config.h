// The registry: installed screens and their ranges, the stored calibration,
// and the user's beep and language preferences.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr const char* ServiceKeyPath = "SYSTEM\\CurrentControlSet\\Services\\Dravix";
constexpr const char* ClassKeyPath = "System\\CurrentControlSet\\Services\\Class\\ZorvaTouchscreen";

// A number stored in the registry is taken as its first 4 bytes, little-endian,
// whatever its type.
std::uint32_t LittleEndianNumber(const BYTE* bytes);
// Reads a value of at most 4 bytes into number; false, with number unchanged,
// when the value is missing or longer.
bool QueryNumber(HKEY key, const char* name, std::uint32_t& number);

// Fills ScreenCount, the range table and RangeEntryCount. Returns 1 when at
// least one screen key was opened.
int EnumerateScreens();
// Fills the next range table entry for an open screen key; 0 when the table
// is full.
int LoadScreenRanges(const char* keyPath, HKEY screenKey);

// Writes the thirteen values of the CalibrationRecord into the screen's key.
// Returns 1 when all were written; reports failures in a message box.
int SaveCalibration(std::int32_t screen);
// Loads BeepTime and BeepFreq into the BeepRecord, with 32 and 1000 as defaults.
void ReadBeepSettings();
// Sets LanguageIndex from "CplLanguage" or, failing that, the locale name.
void SelectLanguage();
