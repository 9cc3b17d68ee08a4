// Inside the emulated registry, grouped by the file that owns each
// declaration: the tree of keys (registry_tree.cpp) and the handles that the
// Win32 calls open on it (registry.cpp).
#pragma once

#include <windows.h>

#include "emu/registry.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace emu::reg {

// --- registry_tree.cpp: keys and values ---------------------------------------------

struct Key {
    std::string name;
    Key* parent = nullptr;
    std::map<std::string, std::shared_ptr<Key>> children; // by folded name
    std::vector<RegistryValue> values;                    // in creation order
    bool readOnly = false;
    bool deleted = false;
};

struct Root {
    const char* name;
    const char* shortName;
    std::uintptr_t predefined;
};
constexpr std::array<Root, 5> Roots = {{
    {"HKEY_CLASSES_ROOT", "HKCR", 0x80000000},
    {"HKEY_CURRENT_USER", "HKCU", 0x80000001},
    {"HKEY_LOCAL_MACHINE", "HKLM", 0x80000002},
    {"HKEY_USERS", "HKU", 0x80000003},
    {"HKEY_CURRENT_CONFIG", "HKCC", 0x80000005},
}};
constexpr std::size_t LocalMachine = 2;

// Windows compares registry names without regard to case over all of
// Unicode; for Windows-1252 that is ASCII plus the accented Latin-1 letters
// and the few letters in 0x80 to 0x9F.
std::string Fold(const std::string& text);
// A root's tree, made at first use.
std::shared_ptr<Key>& Tree(std::size_t root);
// A path's names between backslashes, empty ones kept.
std::vector<std::string> SplitComponents(const std::string& path);
std::shared_ptr<Key> Child(const Key& key, const std::string& name);
// The key's full path, as its keys spell it.
std::string PathOf(const Key& key);
// Marked read-only, or below a key that is.
bool IsReadOnly(const Key& key);
RegistryValue* FindValue(Key& key, const std::string& name);
// Replaces a value of the same name whatever its type, or adds one.
void StoreValue(Key& key, const std::string& name, DWORD type, std::vector<std::uint8_t> data);

// --- registry.cpp: handles and the Win32 calls --------------------------------------

void ResetHandles();

} // namespace emu::reg
