// The program's compiled resources (.res from windres), as the loader of
// user32 sees them: string tables, dialog templates and icons.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace emu {

struct DialogItemTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;            // the 16-bit id as the program sees it: 0xFFFF is -1
    std::string className; // "BUTTON", "EDIT", "STATIC", ... (upper case for the predefined atoms)
    std::string text;      // Windows-1252
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;      // "" for none, "#n" for an ordinal
    std::string className; // "" for the standard dialog class, "#n" for an atom
    std::string caption;   // Windows-1252
    WORD pointSize = 0;    // with DS_SETFONT
    std::string faceName;
    std::vector<DialogItemTemplate> items;
};

struct IconImage {
    int width = 0;
    int height = 0;
    // Top-down rows of 0x00RRGGBB, with a separate transparency mask
    // (true: transparent, the AND mask bit set).
    std::vector<std::uint32_t> pixels;
    std::vector<bool> transparent;
    int bitsPerPixel = 0;
};

// Dialog template by name (case-insensitive), "#n" or MAKEINTRESOURCE id. A
// null instance is the program's module, as for DialogBoxParamA.
const DialogTemplate* FindDialogTemplate(HINSTANCE instance, LPCSTR name);
// Icon group by name or id: its 32 x 32 image, else its first. Only the
// program's instance has icons of its own; a null one means the system's
// predefined icons (IDI_APPLICATION to IDI_ASTERISK).
const IconImage* FindIcon(HINSTANCE instance, LPCSTR name);
// The string with the given id in Windows-1252, or nullopt when the table has none.
std::optional<std::string> FindString(HINSTANCE instance, UINT id);
// The handle LoadIconA gave for an icon, back to its image.
const IconImage* IconFromHandle(HICON icon);
// The system's predefined icons, IDI_APPLICATION to IDI_ASTERISK, for
// LoadIconA with no instance; nullptr for any other name.
HICON SystemIcon(LPCSTR name);
const IconImage* SystemIconImage(HICON icon);

// The .res format, for the loader and for tests with hand-made bytes.
struct ResourceName {
    bool isOrdinal = true;
    WORD ordinal = 0;
    std::string name; // Windows-1252, as stored (rc compilers store it upper case)
};
struct RawResource {
    ResourceName type;
    ResourceName name;
    WORD language = 0;
    std::vector<std::uint8_t> data;
};
// Every resource of a .res file (the empty leading entry included), or
// nullopt when a header or an entry runs past the end.
std::optional<std::vector<RawResource>> ParseResFile(const std::uint8_t* bytes, std::size_t size);
// An RT_DIALOG resource (DLGTEMPLATE; nullopt for DLGTEMPLATEEX or a
// truncated template).
std::optional<DialogTemplate> DecodeDialogTemplate(const std::vector<std::uint8_t>& data);
// An RT_ICON resource: BITMAPINFOHEADER, palette, XOR and AND masks
// (nullopt for PNG images, compressed bitmaps or a truncated image).
std::optional<IconImage> DecodeIconImage(const std::vector<std::uint8_t>& data);

// Windows-1252 from UTF-16, as WideCharToMultiByte(1252) with '?' for
// characters the code page lacks.
std::string ToWindows1252(const std::vector<std::uint16_t>& utf16);
// UTF-8 from Windows-1252, for transcripts and fonts.
std::string Utf8FromWindows1252(const std::string& text);

} // namespace emu
