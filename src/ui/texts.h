// The localized string tables: the text of base id b in language n has the
// string id b + 1000 x n.
#pragma once

#include <windows.h>

#include "ui/resource.h"

constexpr int LanguageCount = 7;
// Capacity with which texts are loaded into TextBuffer, in characters.
constexpr int TextLoadLimit = 250;

// Loads the text of a base id in the current language into the buffer and
// returns the buffer, whatever the lookup found.
char* LoadLocalizedString(HINSTANCE instance, UINT baseId, char* buffer, int capacity);
// Loads the text of a base id into TextBuffer and makes it the text of a dialog item.
void SetLocalizedItemText(HWND dialog, UINT baseId, int itemId);
// Shows the text of a base id in a warning box with no owner and an empty caption.
void ShowLocalizedWarning(UINT baseId);
