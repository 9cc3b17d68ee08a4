// The name of the user's default locale in the form the C runtime gives it
// after setlocale(LC_ALL, ""): "French_France.1252" and the like.
#pragma once

// The English language name, '_', the English country name, '.', the ANSI
// code page. Each part has room for far longer names than Windows gives;
// its limit counts the separator that follows it.
constexpr int LocalePartSize = 64;
constexpr int CodePageSize = 16;
constexpr int LocaleNameSize = 2 * LocalePartSize + CodePageSize;

// Builds the name in the buffer from the locale information of the user's
// default locale (GetLocaleInfoA). Returns the buffer, or null when a part
// cannot be had or does not fit.
const char* UserLocaleName(char (&name)[LocaleNameSize]);
