// The registry: RegOpenKeyExA, RegQueryValueExA, RegSetValueExA and
// RegCloseKey over an in-memory tree of keys, and the control API of
// emu/registry.h.
#include "emu/faults.h"
#include "emu/registry.h"

#include "emu/resources.h"
#include "emu/trace.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>

namespace emu {

namespace {

// Standard access rights of winnt.h, which the emulated SDK leaves out.
constexpr REGSAM RightDelete = 0x00010000;
constexpr REGSAM RightWriteDac = 0x00040000;
constexpr REGSAM RightWriteOwner = 0x00080000;
constexpr REGSAM RightMaximumAllowed = 0x02000000;
constexpr REGSAM RightGenericAll = 0x10000000;
constexpr REGSAM RightGenericExecute = 0x20000000;
constexpr REGSAM RightGenericWrite = 0x40000000;
constexpr REGSAM RightGenericRead = 0x80000000;
// What RegSetValueExA answers for data it cannot read (winerror.h).
constexpr LSTATUS ErrorNoAccess = 998;
// KEY_WOW64_64KEY and KEY_WOW64_32KEY choose a view, they grant nothing.
constexpr REGSAM Wow64Flags = 0x0300;

constexpr REGSAM WritingRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK |
                                 RightDelete | RightWriteDac | RightWriteOwner;

// Handles of opened keys: far from the predefined 0x8000000x and from the
// device handles, and multiples of 4 like real handles.
constexpr std::uintptr_t FirstKeyHandle = 0x20000;

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

struct OpenKey {
    std::shared_ptr<Key> key;
    REGSAM access = 0;
    // Taken at opening: a deleted key has no way up to its root any more.
    std::string path;
};

struct FailingWrite {
    std::string foldedName;
    LSTATUS status;
};

std::array<std::shared_ptr<Key>, Roots.size()> roots;
std::map<std::uintptr_t, OpenKey> handles;
std::uintptr_t nextHandle = FirstKeyHandle;
std::vector<FailingWrite> failingWrites;

// Windows compares registry names without regard to case over all of
// Unicode; for Windows-1252 that is ASCII plus the accented Latin-1 letters
// and the few letters in 0x80 to 0x9F.
char FoldChar(char c) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 'A' && byte <= 'Z') {
        return static_cast<char>(byte + 0x20);
    }
    if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) {
        return static_cast<char>(byte + 0x20);
    }
    switch (byte) {
    case 0x8A: return static_cast<char>(0x9A); // Š
    case 0x8C: return static_cast<char>(0x9C); // Œ
    case 0x8E: return static_cast<char>(0x9E); // Ž
    case 0x9F: return static_cast<char>(0xFF); // Ÿ
    default: return c;
    }
}

std::string Fold(const std::string& text) {
    std::string folded = text;
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldChar);
    return folded;
}

void ResetRoots() {
    for (std::size_t i = 0; i < Roots.size(); ++i) {
        roots[i] = std::make_shared<Key>();
        roots[i]->name = Roots[i].name;
    }
}

std::shared_ptr<Key>& Tree(std::size_t root) {
    if (!roots[root]) {
        ResetRoots();
    }
    return roots[root];
}

std::vector<std::string> SplitComponents(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\') {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

std::optional<std::size_t> RootIndex(const std::string& component) {
    std::string folded = Fold(component);
    for (std::size_t i = 0; i < Roots.size(); ++i) {
        if (folded == Fold(Roots[i].name) || folded == Fold(Roots[i].shortName)) {
            return i;
        }
    }
    return std::nullopt;
}

// A control-API path: the root and the key names below it, empty names
// dropped.
struct ControlPath {
    std::size_t root = LocalMachine;
    std::vector<std::string> names;
};

ControlPath ParseControlPath(const std::string& path) {
    ControlPath parsed;
    std::vector<std::string> parts = SplitComponents(path);
    std::size_t first = 0;
    if (std::optional<std::size_t> root = RootIndex(parts[0])) {
        parsed.root = *root;
        first = 1;
    }
    for (std::size_t i = first; i < parts.size(); ++i) {
        if (!parts[i].empty()) {
            parsed.names.push_back(parts[i]);
        }
    }
    return parsed;
}

std::shared_ptr<Key> Child(const Key& key, const std::string& name) {
    auto found = key.children.find(Fold(name));
    return found == key.children.end() ? nullptr : found->second;
}

std::shared_ptr<Key> FindKey(const std::string& path) {
    ControlPath parsed = ParseControlPath(path);
    std::shared_ptr<Key> key = Tree(parsed.root);
    for (const std::string& name : parsed.names) {
        key = Child(*key, name);
        if (!key) {
            return nullptr;
        }
    }
    return key;
}

std::shared_ptr<Key> CreateKeyPath(const std::string& path) {
    ControlPath parsed = ParseControlPath(path);
    std::shared_ptr<Key> key = Tree(parsed.root);
    for (const std::string& name : parsed.names) {
        std::shared_ptr<Key>& child = key->children[Fold(name)];
        if (!child) {
            child = std::make_shared<Key>();
            child->name = name;
            child->parent = key.get();
        }
        key = child;
    }
    return key;
}

std::string PathOf(const Key& key) {
    std::string path = key.name;
    for (const Key* up = key.parent; up != nullptr; up = up->parent) {
        path = up->name + "\\" + path;
    }
    return path;
}

bool IsReadOnly(const Key& key) {
    for (const Key* up = &key; up != nullptr; up = up->parent) {
        if (up->readOnly) {
            return true;
        }
    }
    return false;
}

RegistryValue* FindValue(Key& key, const std::string& name) {
    std::string folded = Fold(name);
    for (RegistryValue& value : key.values) {
        if (Fold(value.name) == folded) {
            return &value;
        }
    }
    return nullptr;
}

void StoreValue(Key& key, const std::string& name, DWORD type, std::vector<std::uint8_t> data) {
    if (RegistryValue* value = FindValue(key, name)) {
        value->type = type;
        value->data = std::move(data);
    } else {
        key.values.push_back(RegistryValue{name, type, std::move(data)});
    }
}

void MarkDeleted(Key& key) {
    key.deleted = true;
    key.parent = nullptr;
    for (auto& entry : key.children) {
        MarkDeleted(*entry.second);
    }
}

// Generic rights map to the key rights as the registry's generic mapping
// does; MAXIMUM_ALLOWED grants whatever the key allows.
REGSAM MapAccess(REGSAM desired, bool readOnly) {
    REGSAM access = desired & ~(Wow64Flags | RightMaximumAllowed | RightGenericRead |
                                RightGenericWrite | RightGenericExecute | RightGenericAll);
    if (desired & (RightGenericRead | RightGenericExecute)) {
        access |= KEY_READ;
    }
    if (desired & RightGenericWrite) {
        access |= KEY_WRITE;
    }
    if (desired & RightGenericAll) {
        access |= KEY_ALL_ACCESS;
    }
    if (desired & RightMaximumAllowed) {
        access |= readOnly ? KEY_READ : KEY_ALL_ACCESS;
    }
    return access;
}

// A predefined key's index: only the low 32 bits of the handle count, so
// HKEY_LOCAL_MACHINE sign-extended, zero-extended or with anything above
// bit 31 is the same key.
std::optional<std::size_t> PredefinedIndex(HKEY handle) {
    auto low = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
    for (std::size_t i = 0; i < Roots.size(); ++i) {
        if (low == Roots[i].predefined) {
            return i;
        }
    }
    return std::nullopt;
}

// The key behind a handle; the predefined roots are always open, with the
// rights their read-only mark leaves.
std::optional<OpenKey> Resolve(HKEY handle) {
    if (std::optional<std::size_t> predefined = PredefinedIndex(handle)) {
        std::shared_ptr<Key> root = Tree(*predefined);
        REGSAM access = root->readOnly ? KEY_READ : KEY_ALL_ACCESS;
        return OpenKey{root, access, root->name};
    }
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    auto found = handles.find(value);
    if (found == handles.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

nlohmann::json TraceData(DWORD type, const BYTE* data, DWORD size) {
    if (data == nullptr) {
        return "";
    }
    if (type == REG_DWORD && size == 4) {
        return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
               static_cast<std::uint32_t>(data[2]) << 16 |
               static_cast<std::uint32_t>(data[3]) << 24;
    }
    return Hex(data, size);
}

} // namespace

void ResetRegistry() {
    ResetRoots();
    handles.clear();
    nextHandle = FirstKeyHandle;
    failingWrites.clear();
}

bool CreateKey(const std::string& path) {
    return CreateKeyPath(path) != nullptr;
}

bool DeleteKey(const std::string& path) {
    std::shared_ptr<Key> key = FindKey(path);
    if (!key || key->parent == nullptr) {
        return false;
    }
    Key* parent = key->parent;
    MarkDeleted(*key);
    parent->children.erase(Fold(key->name));
    return true;
}

bool KeyExists(const std::string& path) {
    return FindKey(path) != nullptr;
}

std::vector<std::string> SubKeyNames(const std::string& path) {
    std::vector<std::string> names;
    if (std::shared_ptr<Key> key = FindKey(path)) {
        for (const auto& entry : key->children) {
            names.push_back(entry.second->name);
        }
    }
    return names;
}

std::optional<std::string> KeyFullPath(const std::string& path) {
    std::shared_ptr<Key> key = FindKey(path);
    if (!key) {
        return std::nullopt;
    }
    return PathOf(*key);
}

bool NamesRoot(const std::string& path) {
    return RootIndex(SplitComponents(path)[0]).has_value();
}

void SetDword(const std::string& path, const std::string& name, DWORD value) {
    SetValue(path, name, REG_DWORD,
             {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
              static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void SetString(const std::string& path, const std::string& name, const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    SetValue(path, name, REG_SZ, std::move(data));
}

void SetValue(const std::string& path, const std::string& name, DWORD type,
              std::vector<std::uint8_t> data) {
    StoreValue(*CreateKeyPath(path), name, type, std::move(data));
}

bool DeleteValue(const std::string& path, const std::string& name) {
    std::shared_ptr<Key> key = FindKey(path);
    if (!key) {
        return false;
    }
    std::string folded = Fold(name);
    auto found =
        std::find_if(key->values.begin(), key->values.end(),
                     [&](const RegistryValue& value) { return Fold(value.name) == folded; });
    if (found == key->values.end()) {
        return false;
    }
    key->values.erase(found);
    return true;
}

std::optional<RegistryValue> GetValue(const std::string& path, const std::string& name) {
    std::shared_ptr<Key> key = FindKey(path);
    if (!key) {
        return std::nullopt;
    }
    const RegistryValue* value = FindValue(*key, name);
    return value ? std::optional<RegistryValue>(*value) : std::nullopt;
}

std::optional<DWORD> GetDword(const std::string& path, const std::string& name) {
    std::optional<RegistryValue> value = GetValue(path, name);
    if (!value || value->type != REG_DWORD || value->data.size() != 4) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t>& d = value->data;
    return static_cast<DWORD>(d[0] | d[1] << 8 | d[2] << 16 | static_cast<DWORD>(d[3]) << 24);
}

std::vector<RegistryValue> Values(const std::string& path) {
    std::shared_ptr<Key> key = FindKey(path);
    return key ? key->values : std::vector<RegistryValue>{};
}

void SetReadOnly(const std::string& path, bool readOnly) {
    CreateKeyPath(path)->readOnly = readOnly;
}

void FailWrites(const std::string& valueName, LSTATUS status) {
    failingWrites.push_back(FailingWrite{Fold(valueName), status});
}

void ClearFailingWrites() {
    failingWrites.clear();
}

int OpenKeyHandles() {
    return static_cast<int>(handles.size());
}

} // namespace emu

using emu::OpenKey;

LSTATUS WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired,
                             PHKEY phkResult) {
    if (phkResult == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    // A null root fails before anything is written.
    if (hKey == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    *phkResult = nullptr;
    std::optional<OpenKey> base = emu::Resolve(hKey);
    if (!base) {
        return ERROR_INVALID_HANDLE;
    }
    if (base->key->deleted) {
        return ERROR_KEY_DELETED;
    }
    bool noSubKey = lpSubKey == nullptr || lpSubKey[0] == '\0';
    // No sub-key of a predefined key: the predefined handle itself.
    if (noSubKey && emu::PredefinedIndex(hKey)) {
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    std::shared_ptr<emu::Key> key = base->key;
    if (!noSubKey) {
        // The path is relative: a leading backslash is a malformed path.
        // Repeated and trailing backslashes separate nothing and are skipped.
        if (lpSubKey[0] == '\\') {
            return ERROR_BAD_PATHNAME;
        }
        for (const std::string& name : emu::SplitComponents(lpSubKey)) {
            if (name.empty()) {
                continue;
            }
            key = emu::Child(*key, name);
            if (!key) {
                return ERROR_FILE_NOT_FOUND;
            }
        }
    }
    bool readOnly = emu::IsReadOnly(*key);
    REGSAM access = emu::MapAccess(samDesired, readOnly);
    if (readOnly && (access & emu::WritingRights) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    std::uintptr_t handle = emu::nextHandle;
    emu::nextHandle += 4;
    emu::handles[handle] = OpenKey{key, access, emu::PathOf(*key)};
    *phkResult = reinterpret_cast<HKEY>(handle);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData) {
    std::optional<OpenKey> open = emu::Resolve(hKey);
    if (!open) {
        return ERROR_INVALID_HANDLE;
    }
    if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    if (open->key->deleted) {
        return ERROR_KEY_DELETED;
    }
    if ((open->access & KEY_QUERY_VALUE) == 0) {
        return ERROR_ACCESS_DENIED;
    }
    const emu::RegistryValue* value = emu::FindValue(*open->key, lpValueName ? lpValueName : "");
    if (value == nullptr) {
        // Asked for the size alone, a missing value has none.
        if (lpData == nullptr && lpcbData != nullptr) {
            *lpcbData = 0;
        }
        return ERROR_FILE_NOT_FOUND;
    }
    // The room is read before anything is written: the type and the size may
    // be the same variable.
    DWORD room = lpcbData != nullptr ? *lpcbData : 0;
    auto size = static_cast<DWORD>(value->data.size());
    if (lpType != nullptr) {
        *lpType = value->type;
    }
    if (lpData != nullptr && room < size) {
        // The contents of the buffer are undefined then; callers that read
        // them anyway should see what they had put there, not the data.
        *lpcbData = size;
        return ERROR_MORE_DATA;
    }
    if (lpData != nullptr) {
        std::copy(value->data.begin(), value->data.end(), lpData);
        // The ANSI function ends a string that was stored without its
        // terminator when the buffer has room for one.
        if (emu::IsStringType(value->type) && size > 0 && value->data.back() != 0 && room > size) {
            lpData[size] = 0;
        }
    }
    if (lpcbData != nullptr) {
        *lpcbData = size;
    }
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                              const BYTE* lpData, DWORD cbData) {
    std::string name = lpValueName ? lpValueName : "";
    std::optional<OpenKey> open = emu::Resolve(hKey);
    LSTATUS status = ERROR_SUCCESS;
    if (!open) {
        status = ERROR_INVALID_HANDLE;
    } else if (open->key->deleted) {
        status = ERROR_KEY_DELETED;
    } else if ((open->access & KEY_SET_VALUE) == 0) {
        status = ERROR_ACCESS_DENIED;
    } else if (lpData == nullptr && cbData != 0) {
        status = emu::ErrorNoAccess;
    } else {
        std::string folded = emu::Fold(name);
        for (const emu::FailingWrite& failing : emu::failingWrites) {
            if (failing.foldedName == folded) {
                status = failing.status;
            }
        }
    }
    if (status == ERROR_SUCCESS) {
        std::vector<std::uint8_t> data;
        if (lpData != nullptr) {
            data.assign(lpData, lpData + cbData);
        }
        // A string counted without its terminator, when the terminator
        // follows in memory, is stored with it, as Windows does.
        if (emu::IsStringType(dwType) && cbData > 0 && lpData[cbData - 1] != 0 &&
            lpData[cbData] == 0) {
            data.push_back(0);
        }
        emu::StoreValue(*open->key, name, dwType, std::move(data));
    }
    emu::Record({{"ev", "regset"},
                 {"key", emu::Utf8FromWindows1252(open ? open->path : "")},
                 {"name", emu::Utf8FromWindows1252(name)},
                 {"type", dwType},
                 {"data", emu::TraceData(dwType, lpData, cbData)},
                 {"status", status}});
    return status;
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
    auto value = reinterpret_cast<std::uintptr_t>(hKey);
    if (emu::handles.erase(value) == 1) {
        return ERROR_SUCCESS;
    }
    return emu::Resolve(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
