// The registry's Win32 calls: RegOpenKeyExA, RegQueryValueExA,
// RegSetValueExA and RegCloseKey, on handles opened over the tree, with the
// access rights a handle keeps and the writes a test makes fail.
#include "advapi32/registry_private.h"
#include "sdk.h"

#include "emu/faults.h"
#include "emu/registry.h"
#include "emu/resources.h"
#include "emu/trace.h"

#include <cstring>
#include <optional>

namespace emu::reg {

namespace {

// Standard access rights of winnt.h, which the emulated SDK leaves out.
// What RegSetValueExA answers for data it cannot read (winerror.h).
// KEY_WOW64_64KEY and KEY_WOW64_32KEY choose a view, they grant nothing.
constexpr REGSAM Wow64Flags = 0x0300;

constexpr REGSAM WritingRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK |
                                 RightDelete | RightWriteDac | RightWriteOwner;

// Handles of opened keys: far from the predefined 0x8000000x and from the
// device handles, and multiples of 4 like real handles.
constexpr std::uintptr_t FirstKeyHandle = 0x20000;

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

void ResetHandles() {
    handles.clear();
    nextHandle = FirstKeyHandle;
    failingWrites.clear();
}

} // namespace emu::reg

namespace emu {

using namespace reg;

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

using emu::reg::OpenKey;

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
    std::optional<OpenKey> base = emu::reg::Resolve(hKey);
    if (!base) {
        return ERROR_INVALID_HANDLE;
    }
    if (base->key->deleted) {
        return ERROR_KEY_DELETED;
    }
    bool noSubKey = lpSubKey == nullptr || lpSubKey[0] == '\0';
    // No sub-key of a predefined key: the predefined handle itself.
    if (noSubKey && emu::reg::PredefinedIndex(hKey)) {
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    std::shared_ptr<emu::reg::Key> key = base->key;
    if (!noSubKey) {
        // The path is relative: a leading backslash is a malformed path.
        // Repeated and trailing backslashes separate nothing and are skipped.
        if (lpSubKey[0] == '\\') {
            return ERROR_BAD_PATHNAME;
        }
        for (const std::string& name : emu::reg::SplitComponents(lpSubKey)) {
            if (name.empty()) {
                continue;
            }
            key = emu::reg::Child(*key, name);
            if (!key) {
                return ERROR_FILE_NOT_FOUND;
            }
        }
    }
    bool readOnly = emu::reg::IsReadOnly(*key);
    REGSAM access = emu::reg::MapAccess(samDesired, readOnly);
    if (readOnly && (access & emu::reg::WritingRights) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    std::uintptr_t handle = emu::reg::nextHandle;
    emu::reg::nextHandle += 4;
    emu::reg::handles[handle] = OpenKey{key, access, emu::reg::PathOf(*key)};
    *phkResult = reinterpret_cast<HKEY>(handle);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData) {
    std::optional<OpenKey> open = emu::reg::Resolve(hKey);
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
    const emu::RegistryValue* value =
        emu::reg::FindValue(*open->key, lpValueName ? lpValueName : "");
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
        if (emu::reg::IsStringType(value->type) && size > 0 && value->data.back() != 0 &&
            room > size) {
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
    std::optional<OpenKey> open = emu::reg::Resolve(hKey);
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
        std::string folded = emu::reg::Fold(name);
        for (const emu::reg::FailingWrite& failing : emu::reg::failingWrites) {
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
        if (emu::reg::IsStringType(dwType) && cbData > 0 && lpData[cbData - 1] != 0 &&
            lpData[cbData] == 0) {
            data.push_back(0);
        }
        emu::reg::StoreValue(*open->key, name, dwType, std::move(data));
    }
    emu::Record({{"ev", "regset"},
                 {"key", emu::Utf8FromWindows1252(open ? open->path : "")},
                 {"name", emu::Utf8FromWindows1252(name)},
                 {"type", dwType},
                 {"data", emu::reg::TraceData(dwType, lpData, cbData)},
                 {"status", status}});
    return status;
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
    auto value = reinterpret_cast<std::uintptr_t>(hKey);
    if (emu::reg::handles.erase(value) == 1) {
        return ERROR_SUCCESS;
    }
    return emu::reg::Resolve(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
