// The loader of the program's resources: the compiled .res embedded at build
// time, read once, and the user32 calls that look resources up in it.
#include "emu/resources.h"

#include "emu/machine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

extern const std::uint8_t VintoqResBytes[];
extern const std::size_t VintoqResSize;

namespace emu {

namespace {

constexpr WORD RtIcon = 3;
constexpr WORD RtDialog = 5;
constexpr WORD RtString = 6;
constexpr WORD RtGroupIcon = 14;

// Shared icons keep their handle for the life of the process; these values
// lie apart from the handles of the other emulated services.
constexpr std::uintptr_t FirstIconHandle = 0x7F0010;
constexpr std::uintptr_t IconHandleStep = 4;

struct NamedDialog {
    ResourceName name;
    DialogTemplate dialog;
};

struct NamedIcon {
    ResourceName name;
    IconImage image;
};

struct Module {
    std::set<WORD> stringBlocks;
    std::map<WORD, std::string> strings; // Windows-1252
    std::vector<NamedDialog> dialogs;
    std::vector<NamedIcon> icons;
};

bool IsType(const RawResource& resource, WORD type) {
    return resource.type.isOrdinal && resource.type.ordinal == type;
}

// A string block holds 16 counted UTF-16 strings, those of ids
// (block - 1) * 16 to (block - 1) * 16 + 15; an absent string has length 0.
void AddStringBlock(Module& module, const RawResource& resource) {
    if (!resource.name.isOrdinal || resource.name.ordinal == 0) {
        return;
    }
    module.stringBlocks.insert(resource.name.ordinal);
    const auto& data = resource.data;
    std::size_t offset = 0;
    for (unsigned slot = 0; slot < 16 && offset + 2 <= data.size(); ++slot) {
        std::size_t length = data[offset] | (data[offset + 1] << 8);
        offset += 2;
        if (length * 2 > data.size() - offset) {
            return;
        }
        std::vector<std::uint16_t> text(length);
        for (std::size_t i = 0; i < length; ++i) {
            text[i] =
                static_cast<std::uint16_t>(data[offset + 2 * i] | (data[offset + 2 * i + 1] << 8));
        }
        offset += length * 2;
        if (length > 0) {
            auto id = static_cast<WORD>((resource.name.ordinal - 1) * 16 + slot);
            module.strings[id] = ToWindows1252(text);
        }
    }
}

const RawResource* FindOrdinal(const std::vector<RawResource>& resources, WORD type, WORD id) {
    for (const auto& resource : resources) {
        if (IsType(resource, type) && resource.name.isOrdinal && resource.name.ordinal == id) {
            return &resource;
        }
    }
    return nullptr;
}

// An icon group (NEWHEADER, then 14-byte GRPICONDIRENTRY records) names its
// images by RT_ICON ordinal. LoadIcon wants the SM_CXICON size, 32 x 32.
std::optional<IconImage> LoadIconGroup(const std::vector<RawResource>& resources,
                                       const RawResource& group) {
    const auto& data = group.data;
    if (data.size() < 6 || (data[2] | (data[3] << 8)) != 1) {
        return std::nullopt;
    }
    std::size_t count = data[4] | (data[5] << 8);
    std::optional<WORD> chosen;
    for (std::size_t i = 0; i < count && 6 + (i + 1) * 14 <= data.size(); ++i) {
        const std::uint8_t* entry = data.data() + 6 + i * 14;
        auto id = static_cast<WORD>(entry[12] | (entry[13] << 8));
        if (!chosen) {
            chosen = id;
        }
        if (entry[0] == 32 && entry[1] == 32) {
            chosen = id;
            break;
        }
    }
    if (!chosen) {
        return std::nullopt;
    }
    const RawResource* image = FindOrdinal(resources, RtIcon, *chosen);
    if (image == nullptr) {
        return std::nullopt;
    }
    return DecodeIconImage(image->data);
}

Module LoadModule() {
    Module module;
    auto resources = ParseResFile(VintoqResBytes, VintoqResSize);
    if (!resources) {
        std::fprintf(stderr, "emulator: the embedded resources are malformed\n");
        return module;
    }
    for (const auto& resource : *resources) {
        if (IsType(resource, RtString)) {
            AddStringBlock(module, resource);
        } else if (IsType(resource, RtDialog)) {
            if (auto dialog = DecodeDialogTemplate(resource.data)) {
                module.dialogs.push_back({resource.name, std::move(*dialog)});
            }
        } else if (IsType(resource, RtGroupIcon)) {
            if (auto image = LoadIconGroup(*resources, resource)) {
                module.icons.push_back({resource.name, std::move(*image)});
            }
        }
    }
    return module;
}

// Read once and never changed afterwards, so pointers into it stay valid.
const Module& ProgramModule() {
    static const Module module = LoadModule();
    return module;
}

char UpperWindows1252(char c) {
    auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) {
        return static_cast<char>(byte - 0x20);
    }
    switch (byte) {
    case 0x9A: return static_cast<char>(0x8A); // š
    case 0x9C: return static_cast<char>(0x8C); // œ
    case 0x9E: return static_cast<char>(0x8E); // ž
    case 0xFF: return static_cast<char>(0x9F); // ÿ
    default: return c;
    }
}

// FindResource's contract for a name: an integer resource, "#n" for the
// ordinal n, or a name compared without regard to case.
bool NameMatches(const ResourceName& stored, LPCSTR wanted) {
    if (wanted == nullptr) {
        return false;
    }
    if (IS_INTRESOURCE(wanted)) {
        return stored.isOrdinal && stored.ordinal == LOWORD(reinterpret_cast<ULONG_PTR>(wanted));
    }
    if (wanted[0] == '#') {
        unsigned long value = 0;
        const char* digit = wanted + 1;
        if (*digit == '\0') {
            return false;
        }
        for (; *digit != '\0'; ++digit) {
            if (*digit < '0' || *digit > '9') {
                return false;
            }
            value = value * 10 + static_cast<unsigned long>(*digit - '0');
            if (value > 0xFFFF) {
                return false;
            }
        }
        return stored.isOrdinal && stored.ordinal == value;
    }
    if (stored.isOrdinal || stored.name.size() != std::strlen(wanted)) {
        return false;
    }
    for (std::size_t i = 0; i < stored.name.size(); ++i) {
        if (UpperWindows1252(stored.name[i]) != UpperWindows1252(wanted[i])) {
            return false;
        }
    }
    return true;
}

// A null instance stands for the program's own module, as for FindResource.
bool IsProgramModule(HINSTANCE instance) {
    return instance == nullptr || instance == ProgramInstance();
}

} // namespace

const DialogTemplate* FindDialogTemplate(HINSTANCE instance, LPCSTR name) {
    if (!IsProgramModule(instance)) {
        return nullptr;
    }
    for (const auto& entry : ProgramModule().dialogs) {
        if (NameMatches(entry.name, name)) {
            return &entry.dialog;
        }
    }
    return nullptr;
}

const IconImage* FindIcon(HINSTANCE instance, LPCSTR name) {
    // A null instance asks for the system's predefined icons.
    if (instance == nullptr) {
        return SystemIconImage(SystemIcon(name));
    }
    if (instance != ProgramInstance()) {
        return nullptr;
    }
    for (const auto& entry : ProgramModule().icons) {
        if (NameMatches(entry.name, name)) {
            return &entry.image;
        }
    }
    return nullptr;
}

std::optional<std::string> FindString(HINSTANCE instance, UINT id) {
    if (!IsProgramModule(instance)) {
        return std::nullopt;
    }
    const auto& strings = ProgramModule().strings;
    auto found = strings.find(LOWORD(id));
    if (found == strings.end()) {
        return std::nullopt;
    }
    return found->second;
}

const IconImage* IconFromHandle(HICON icon) {
    if (const IconImage* system = SystemIconImage(icon)) {
        return system;
    }
    auto value = reinterpret_cast<std::uintptr_t>(icon);
    const auto& icons = ProgramModule().icons;
    if (value < FirstIconHandle || (value - FirstIconHandle) % IconHandleStep != 0) {
        return nullptr;
    }
    std::size_t index = (value - FirstIconHandle) / IconHandleStep;
    return index < icons.size() ? &icons[index].image : nullptr;
}

} // namespace emu

int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
    // LoadStringA has no read-only-pointer mode (that is LoadStringW's): a
    // zero capacity gives -1 and leaves the buffer alone. A negative one is
    // refused the same way rather than taken as a huge buffer.
    if (lpBuffer == nullptr || cchBufferMax <= 0) {
        return -1;
    }
    lpBuffer[0] = '\0';
    if (!emu::IsProgramModule(hInstance)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    // Only the low word of the id counts, as for every string resource.
    WORD id = LOWORD(uID);
    const auto& module = emu::ProgramModule();
    if (module.stringBlocks.count(static_cast<WORD>(id / 16 + 1)) == 0) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    auto found = module.strings.find(id);
    if (found == module.strings.end()) {
        return 0;
    }
    // One byte per character in Windows-1252: truncation keeps room for the
    // terminator, which is always written.
    std::size_t count = std::min(found->second.size(), static_cast<std::size_t>(cchBufferMax - 1));
    std::memcpy(lpBuffer, found->second.data(), count);
    lpBuffer[count] = '\0';
    return static_cast<int>(count);
}

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
    // No instance: one of the system's predefined icons.
    if (hInstance == nullptr) {
        if (HICON icon = emu::SystemIcon(lpIconName)) {
            return icon;
        }
    }
    if (hInstance != emu::ProgramInstance()) {
        SetLastError(hInstance == nullptr ? ERROR_RESOURCE_NAME_NOT_FOUND
                                          : ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    const auto& icons = emu::ProgramModule().icons;
    for (std::size_t i = 0; i < icons.size(); ++i) {
        if (emu::NameMatches(icons[i].name, lpIconName)) {
            return reinterpret_cast<HICON>(emu::FirstIconHandle + i * emu::IconHandleStep);
        }
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}
