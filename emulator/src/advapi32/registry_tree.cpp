// The registry's tree of keys, and the control API of emu/registry.h through
// which tests and the launcher prepare it and read it back.
#include "advapi32/registry_private.h"

#include "emu/registry.h"

#include <algorithm>
#include <optional>

namespace emu::reg {

namespace {

std::array<std::shared_ptr<Key>, Roots.size()> roots;

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

void ResetRoots() {
    for (std::size_t i = 0; i < Roots.size(); ++i) {
        roots[i] = std::make_shared<Key>();
        roots[i]->name = Roots[i].name;
    }
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

void MarkDeleted(Key& key) {
    key.deleted = true;
    key.parent = nullptr;
    for (auto& entry : key.children) {
        MarkDeleted(*entry.second);
    }
}

} // namespace

std::string Fold(const std::string& text) {
    std::string folded = text;
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldChar);
    return folded;
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

std::shared_ptr<Key> Child(const Key& key, const std::string& name) {
    auto found = key.children.find(Fold(name));
    return found == key.children.end() ? nullptr : found->second;
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

} // namespace emu::reg

namespace emu {

using namespace reg;

void ResetRegistry() {
    ResetRoots();
    ResetHandles();
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

} // namespace emu
