// The registry of the emulated machine, and the control API through which
// tests and the launcher prepare it and read it back.
//
// Paths name a key below a root: "HKEY_LOCAL_MACHINE\SYSTEM\..." (also HKLM,
// HKEY_CURRENT_USER/HKCU, HKEY_CLASSES_ROOT/HKCR, HKEY_USERS/HKU,
// HKEY_CURRENT_CONFIG/HKCC). A path whose first component is no root name is
// taken below HKEY_LOCAL_MACHINE, so the program's own key paths can be used
// as they are. Key and value names compare case-insensitively, as on Windows;
// a key or value keeps the spelling it was created with.
//
// Texts (key names, value names, REG_SZ data) are Windows-1252 bytes, as the
// ANSI functions see them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace emu {

struct RegistryValue {
    std::string name; // "" for the default value
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
};

// Everything gone: empty roots, no open handles, no read-only marks and no
// failing writes.
void ResetRegistry();

// Keys. CreateKey creates the missing keys along the path (true also when the
// key was there). DeleteKey removes the key with everything below it; handles
// still open on those keys then get ERROR_KEY_DELETED. A root cannot be
// deleted.
bool CreateKey(const std::string& path);
bool DeleteKey(const std::string& path);
bool KeyExists(const std::string& path);
// The sub-keys' names, in case-insensitive order.
std::vector<std::string> SubKeyNames(const std::string& path);
// The full path of an existing key as its keys spell it
// (HKEY_LOCAL_MACHINE\SYSTEM\...), or nullopt when it does not exist.
std::optional<std::string> KeyFullPath(const std::string& path);
// Whether the first component of a path is a root name.
bool NamesRoot(const std::string& path);

// Values. The setters create the key when it is missing and replace a value
// of the same name whatever its type.
void SetDword(const std::string& path, const std::string& name, DWORD value);
// REG_SZ with the terminator stored, as RegSetValueExA callers store it.
void SetString(const std::string& path, const std::string& name, const std::string& text);
void SetValue(const std::string& path, const std::string& name, DWORD type,
              std::vector<std::uint8_t> data);
bool DeleteValue(const std::string& path, const std::string& name);
std::optional<RegistryValue> GetValue(const std::string& path, const std::string& name);
// The number when the value is a REG_DWORD of exactly 4 bytes.
std::optional<DWORD> GetDword(const std::string& path, const std::string& name);
// The values of a key in the order they were first created.
std::vector<RegistryValue> Values(const std::string& path);

// Access. A key is read-only when it or a key above it is marked: opening it
// for any right beyond reading (KEY_SET_VALUE, KEY_CREATE_SUB_KEY,
// KEY_CREATE_LINK, DELETE, WRITE_DAC, WRITE_OWNER; so also KEY_ALL_ACCESS and
// KEY_WRITE) fails with ERROR_ACCESS_DENIED, as for a user whom the key's ACL
// grants KEY_READ only. Handles keep the rights they were opened with.
void SetReadOnly(const std::string& path, bool readOnly = true);

// Failing writes are injected through emu/faults.h.

// Handles opened with RegOpenKeyExA and not yet closed (the predefined root
// handles are not counted).
int OpenKeyHandles();

// .reg files as regedit imports them: "REGEDIT4" or "Windows Registry Editor
// Version 5.00" (UTF-16LE with its byte order mark, UTF-8 with one, or plain
// Windows-1252 bytes). A file is applied whole or not at all: on a syntax
// error nothing changes and the error names the line ("line 7: ..."), not
// the file.
struct RegFileResult {
    bool ok = false;
    std::string error; // "line 7: ..." when not ok
};
RegFileResult ImportRegText(const std::string& bytes);
RegFileResult LoadRegFile(const std::string& file);

// REGEDIT4 text of a key and everything below it, as regedit exports a branch:
// Windows-1252, CRLF line ends, keys in case-insensitive order.
std::string ExportRegText(const std::string& path = "HKEY_LOCAL_MACHINE");
bool SaveRegFile(const std::string& file, const std::string& path = "HKEY_LOCAL_MACHINE");

} // namespace emu
