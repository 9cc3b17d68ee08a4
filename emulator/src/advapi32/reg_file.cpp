// .reg files: the text regedit imports and exports, read into and written
// from the emulated registry.
#include "emu/registry.h"

#include "emu/resources.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <variant>

namespace emu {

namespace {

constexpr const char* Version4Header = "REGEDIT4";
constexpr const char* Version5Header = "Windows Registry Editor Version 5.00";
// regedit breaks hex data into lines of at most 80 characters.
constexpr std::size_t HexLineLimit = 76;

std::string TrimLeft(const std::string& text) {
    std::size_t start = text.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : text.substr(start);
}

std::string TrimRight(const std::string& text) {
    std::size_t end = text.find_last_not_of(" \t\r");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

std::string Trim(const std::string& text) {
    return TrimLeft(TrimRight(text));
}

bool StartsWithNoCase(const std::string& text, std::size_t at, const std::string& prefix) {
    if (text.size() < at + prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[at + i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

std::vector<std::uint16_t> Utf16Units(const std::string& bytes, std::size_t start) {
    std::vector<std::uint16_t> units;
    for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
        units.push_back(static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[i]) |
                                                   static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return units;
}

// UTF-8 to UTF-16, with U+FFFD for malformed sequences; characters outside
// the code page become '?' on the way to Windows-1252 anyway.
std::vector<std::uint16_t> Utf8Units(const std::string& bytes, std::size_t start) {
    std::vector<std::uint16_t> units;
    std::size_t i = start;
    while (i < bytes.size()) {
        auto lead = static_cast<unsigned char>(bytes[i]);
        int length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : 4;
        std::uint32_t code = length == 1   ? lead
                             : length == 2 ? lead & 0x1Fu
                             : length == 3 ? lead & 0x0Fu
                                           : lead & 0x07u;
        bool valid = i + static_cast<std::size_t>(length) <= bytes.size();
        for (int k = 1; valid && k < length; ++k) {
            auto next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            code = code << 6 | (next & 0x3Fu);
        }
        if (!valid) {
            units.push_back(0xFFFD);
            ++i;
            continue;
        }
        units.push_back(code > 0xFFFF ? 0xFFFD : static_cast<std::uint16_t>(code));
        i += static_cast<std::size_t>(length);
    }
    return units;
}

// The file's text in Windows-1252, as the ANSI side of the registry holds it.
std::string DecodeFile(const std::string& bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        return ToWindows1252(Utf16Units(bytes, 2));
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        return ToWindows1252(Utf8Units(bytes, 3));
    }
    return bytes;
}

struct SetOp {
    std::string path;
    std::string name;
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
};
struct DeleteValueOp {
    std::string path;
    std::string name;
};
struct CreateKeyOp {
    std::string path;
};
struct DeleteKeyOp {
    std::string path;
};
using Op = std::variant<CreateKeyOp, DeleteKeyOp, SetOp, DeleteValueOp>;

struct ParseError {
    std::string message;
};

// A quoted string starting at text[at] == '"'; at is left after the closing
// quote. regedit escapes only the backslash and the quote; any other
// backslash stands for itself.
std::optional<std::string> ParseQuoted(const std::string& text, std::size_t& at) {
    std::string out;
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            at = i + 1;
            return out;
        }
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            c = text[++i];
        }
        out += c;
    }
    return std::nullopt;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::string body = Trim(text);
    if (body.empty()) {
        return bytes;
    }
    // getline drops what follows a trailing comma, as regedit does.
    std::stringstream items(body);
    std::string item;
    while (std::getline(items, item, ',')) {
        item = Trim(item);
        if (item.empty() || item.size() > 2) {
            return std::nullopt;
        }
        int value = 0;
        for (char c : item) {
            int digit = HexDigit(c);
            if (digit < 0) {
                return std::nullopt;
            }
            value = value * 16 + digit;
        }
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The data of a value line after the '='.
std::variant<SetOp, DeleteValueOp, ParseError> ParseData(const std::string& data, bool unicode) {
    SetOp set;
    if (data == "-") {
        return DeleteValueOp{};
    }
    if (!data.empty() && data[0] == '"') {
        std::size_t at = 0;
        std::optional<std::string> text = ParseQuoted(data, at);
        if (!text || !Trim(data.substr(at)).empty()) {
            return ParseError{"unterminated or malformed string"};
        }
        set.type = REG_SZ;
        set.data.assign(text->begin(), text->end());
        set.data.push_back(0);
        return set;
    }
    if (StartsWithNoCase(data, 0, "dword:")) {
        std::string digits = Trim(data.substr(6));
        if (digits.empty() || digits.size() > 8) {
            return ParseError{"dword needs 1 to 8 hex digits"};
        }
        std::uint32_t value = 0;
        for (char c : digits) {
            int digit = HexDigit(c);
            if (digit < 0) {
                return ParseError{"dword needs 1 to 8 hex digits"};
            }
            value = value << 4 | static_cast<std::uint32_t>(digit);
        }
        set.type = REG_DWORD;
        set.data = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                    static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
        return set;
    }
    if (StartsWithNoCase(data, 0, "hex")) {
        std::size_t at = 3;
        set.type = REG_BINARY;
        if (at < data.size() && data[at] == '(') {
            std::size_t close = data.find(')', at);
            if (close == std::string::npos || close == at + 1 || close > at + 9) {
                return ParseError{"malformed hex(type)"};
            }
            std::uint32_t type = 0;
            for (std::size_t i = at + 1; i < close; ++i) {
                int digit = HexDigit(data[i]);
                if (digit < 0) {
                    return ParseError{"malformed hex(type)"};
                }
                type = type << 4 | static_cast<std::uint32_t>(digit);
            }
            set.type = type;
            at = close + 1;
        }
        if (at >= data.size() || data[at] != ':') {
            return ParseError{"expected ':' after hex"};
        }
        std::optional<std::vector<std::uint8_t>> bytes = ParseHexBytes(data.substr(at + 1));
        if (!bytes) {
            return ParseError{"malformed hex bytes"};
        }
        set.data = std::move(*bytes);
        // Version 5 files hold string types in UTF-16, as the registry
        // itself does; the emulated registry keeps them in the code page.
        if (unicode && IsStringType(set.type) && set.data.size() % 2 == 0) {
            std::string bytesText(set.data.begin(), set.data.end());
            std::string text = ToWindows1252(Utf16Units(bytesText, 0));
            set.data.assign(text.begin(), text.end());
        }
        return set;
    }
    return ParseError{"unknown value data"};
}

std::variant<std::vector<Op>, ParseError> Parse(const std::string& text) {
    std::vector<std::string> lines;
    {
        std::stringstream stream(text);
        std::string line;
        while (std::getline(stream, line)) {
            lines.push_back(TrimRight(line));
        }
    }
    auto fail = [](std::size_t index, const std::string& message) {
        return ParseError{"line " + std::to_string(index + 1) + ": " + message};
    };

    std::size_t index = 0;
    while (index < lines.size() && Trim(lines[index]).empty()) {
        ++index;
    }
    if (index == lines.size()) {
        return ParseError{"empty file"};
    }
    std::string header = Trim(lines[index]);
    bool unicode = header == Version5Header;
    if (!unicode && header != Version4Header) {
        return fail(index, "not a registry file");
    }

    std::vector<Op> ops;
    std::optional<std::string> section;
    for (++index; index < lines.size(); ++index) {
        std::size_t lineIndex = index;
        std::string line = TrimLeft(lines[index]);
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            if (line.back() != ']') {
                return fail(lineIndex, "unterminated key name");
            }
            bool remove = line.size() > 1 && line[1] == '-';
            std::string path = line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2));
            if (!NamesRoot(path)) {
                return fail(lineIndex, "key does not start with a root name");
            }
            if (remove) {
                ops.emplace_back(DeleteKeyOp{path});
                section.reset();
            } else {
                ops.emplace_back(CreateKeyOp{path});
                section = path;
            }
            continue;
        }
        // A trailing backslash continues the line, as regedit writes long
        // hex data.
        while (!line.empty() && line.back() == '\\' && index + 1 < lines.size()) {
            line.pop_back();
            line += TrimLeft(lines[++index]);
        }
        if (!section) {
            return fail(lineIndex, "value outside a key");
        }
        std::string name;
        std::size_t at = 0;
        if (line[0] == '@') {
            at = 1;
        } else if (line[0] == '"') {
            std::optional<std::string> quoted = ParseQuoted(line, at);
            if (!quoted) {
                return fail(lineIndex, "unterminated value name");
            }
            name = *quoted;
        } else {
            return fail(lineIndex, "expected a value name");
        }
        std::string rest = TrimLeft(line.substr(at));
        if (rest.empty() || rest[0] != '=') {
            return fail(lineIndex, "expected '='");
        }
        auto parsed = ParseData(Trim(rest.substr(1)), unicode);
        if (auto* error = std::get_if<ParseError>(&parsed)) {
            return fail(lineIndex, error->message);
        }
        if (auto* set = std::get_if<SetOp>(&parsed)) {
            set->path = *section;
            set->name = name;
            ops.emplace_back(std::move(*set));
        } else {
            ops.emplace_back(DeleteValueOp{*section, name});
        }
    }
    return ops;
}

void Apply(const Op& op) {
    if (const auto* create = std::get_if<CreateKeyOp>(&op)) {
        CreateKey(create->path);
    } else if (const auto* remove = std::get_if<DeleteKeyOp>(&op)) {
        DeleteKey(remove->path);
    } else if (const auto* set = std::get_if<SetOp>(&op)) {
        SetValue(set->path, set->name, set->type, set->data);
    } else if (const auto* unset = std::get_if<DeleteValueOp>(&op)) {
        DeleteValue(unset->path, unset->name);
    }
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + "\"";
}

// A REG_SZ that regedit can write as "text": one terminator at the end and
// nothing in it that would break the line.
bool IsPlainString(const RegistryValue& value) {
    if (value.type != REG_SZ || value.data.empty() || value.data.back() != 0) {
        return false;
    }
    for (std::size_t i = 0; i + 1 < value.data.size(); ++i) {
        std::uint8_t c = value.data[i];
        if (c == 0 || c == '\r' || c == '\n') {
            return false;
        }
    }
    return true;
}

std::string ValueLine(const RegistryValue& value) {
    std::string line = (value.name.empty() ? std::string("@") : Quoted(value.name)) + "=";
    if (IsPlainString(value)) {
        return line + Quoted(std::string(value.data.begin(), value.data.end() - 1)) + "\r\n";
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        std::uint32_t number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                               static_cast<std::uint32_t>(value.data[3]) << 24;
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", number);
        return line + "dword:" + digits + "\r\n";
    }
    if (value.type == REG_BINARY) {
        line += "hex:";
    } else {
        char type[16];
        std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
        line += type;
    }
    std::string out;
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        char byte[3];
        std::snprintf(byte, sizeof byte, "%02x", value.data[i]);
        line += byte;
        if (i + 1 < value.data.size()) {
            line += ',';
            if (line.size() >= HexLineLimit) {
                out += line + "\\\r\n";
                line = "  ";
            }
        }
    }
    return out + line + "\r\n";
}

void ExportKey(const std::string& path, std::string& out) {
    std::vector<RegistryValue> values = Values(path);
    bool isRoot = path.find('\\') == std::string::npos;
    if (!isRoot || !values.empty()) {
        out += "[" + path + "]\r\n";
        for (const RegistryValue& value : values) {
            out += ValueLine(value);
        }
        out += "\r\n";
    }
    for (const std::string& child : SubKeyNames(path)) {
        ExportKey(path + "\\" + child, out);
    }
}

} // namespace

RegFileResult ImportRegText(const std::string& bytes) {
    auto parsed = Parse(DecodeFile(bytes));
    if (auto* error = std::get_if<ParseError>(&parsed)) {
        return RegFileResult{false, error->message};
    }
    for (const Op& op : std::get<std::vector<Op>>(parsed)) {
        Apply(op);
    }
    return RegFileResult{true, ""};
}

RegFileResult LoadRegFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return RegFileResult{false, "cannot be read"};
    }
    std::stringstream bytes;
    bytes << in.rdbuf();
    return ImportRegText(bytes.str());
}

std::string ExportRegText(const std::string& path) {
    std::string out = std::string(Version4Header) + "\r\n\r\n";
    if (std::optional<std::string> full = KeyFullPath(path)) {
        ExportKey(*full, out);
    }
    return out;
}

bool SaveRegFile(const std::string& file, const std::string& path) {
    std::ofstream out(file, std::ios::binary);
    out << ExportRegText(path);
    return static_cast<bool>(out);
}

} // namespace emu
