// The name of the user's default locale, as the C runtime gives it after
// setlocale(LC_ALL, ""): "French_France.1252" and the like. Null when there is
// none. Chosen at link time: the C runtime on Windows, the emulated desktop
// elsewhere.
#pragma once

const char* UserLocaleName();
