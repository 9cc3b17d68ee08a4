// wsprintfA: user32's own formatter, not the C runtime's printf. It knows
// only characters, strings and integers, and writes at most 1024 bytes.
//
// Its sizes are those of Windows (LLP64): "l" is 32 bits wide like "" on
// every host, so a DWORD passed for %lu is read as the 32-bit value it is.
#include <windows.h>

#include "emu/resources.h"

#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// The output buffer's documented maximum, terminator included.
constexpr std::size_t MaxOutput = 1024;

struct Conversion {
    bool left = false;
    bool prefixHex = false;
    bool zeroPad = false;
    std::size_t width = 0;
    bool hasPrecision = false;
    std::size_t precision = 0;
    enum class Size { Default, Short, Long, Int64, Pointer } size = Size::Default;
};

void Pad(std::string& out, std::size_t count, char fill) {
    out.append(count, fill);
}

void Field(std::string& out, const Conversion& conversion, const std::string& prefix,
           const std::string& body) {
    std::size_t length = prefix.size() + body.size();
    std::size_t padding = conversion.width > length ? conversion.width - length : 0;
    if (conversion.left) {
        out += prefix;
        out += body;
        Pad(out, padding, ' ');
    } else if (conversion.zeroPad) {
        out += prefix;
        Pad(out, padding, '0');
        out += body;
    } else {
        Pad(out, padding, ' ');
        out += prefix;
        out += body;
    }
}

std::string Digits(unsigned long long value, unsigned base, bool upper,
                   const Conversion& conversion) {
    const char* alphabet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string digits;
    do {
        digits.insert(digits.begin(), alphabet[value % base]);
        value /= base;
    } while (value != 0);
    // For numbers the precision is a minimum count of digits, at least 1.
    std::size_t minimum =
        conversion.hasPrecision && conversion.precision > 0 ? conversion.precision : 1;
    if (digits.size() < minimum) {
        digits.insert(0, minimum - digits.size(), '0');
    }
    return digits;
}

long long SignedArgument(const Conversion& conversion, va_list& args) {
    switch (conversion.size) {
    case Conversion::Size::Short: return static_cast<short>(va_arg(args, int));
    case Conversion::Size::Int64: return va_arg(args, long long);
    case Conversion::Size::Pointer: return va_arg(args, INT_PTR);
    default: return static_cast<std::int32_t>(va_arg(args, int));
    }
}

unsigned long long UnsignedArgument(const Conversion& conversion, va_list& args) {
    switch (conversion.size) {
    case Conversion::Size::Short: return static_cast<unsigned short>(va_arg(args, unsigned));
    case Conversion::Size::Int64: return va_arg(args, unsigned long long);
    case Conversion::Size::Pointer: return va_arg(args, UINT_PTR);
    default: return static_cast<std::uint32_t>(va_arg(args, unsigned));
    }
}

std::string WideToAnsi(const WCHAR* text, const Conversion& conversion) {
    std::vector<std::uint16_t> units;
    for (; *text != 0 && (!conversion.hasPrecision || units.size() < conversion.precision);
         ++text) {
        units.push_back(*text);
    }
    return emu::ToWindows1252(units);
}

std::string Format(const char* format, va_list& args) {
    std::string out;
    const char* p = format;
    while (*p != '\0') {
        if (*p != '%') {
            out += *p++;
            continue;
        }
        ++p;
        Conversion conversion;
        for (;; ++p) {
            if (*p == '-') {
                conversion.left = true;
            } else if (*p == '#') {
                conversion.prefixHex = true;
            } else if (*p == '0') {
                conversion.zeroPad = true;
            } else {
                break;
            }
        }
        for (; *p >= '0' && *p <= '9'; ++p) {
            conversion.width = conversion.width * 10 + static_cast<std::size_t>(*p - '0');
        }
        if (*p == '.') {
            conversion.hasPrecision = true;
            for (++p; *p >= '0' && *p <= '9'; ++p) {
                conversion.precision =
                    conversion.precision * 10 + static_cast<std::size_t>(*p - '0');
            }
        }
        bool wide = false; // for c, s: WCHAR rather than char
        bool narrow = false;
        if (*p == 'h') {
            conversion.size = Conversion::Size::Short;
            narrow = true;
            ++p;
        } else if (*p == 'l' || *p == 'w') {
            conversion.size = Conversion::Size::Long;
            wide = true;
            ++p;
        } else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') {
            conversion.size = Conversion::Size::Int64;
            p += 3;
        } else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') {
            // I32: 32 bits, whatever the pointer size.
            conversion.size = Conversion::Size::Default;
            p += 3;
        } else if (*p == 'I') {
            conversion.size = Conversion::Size::Pointer;
            ++p;
        }
        char type = *p;
        if (type == '\0') {
            break;
        }
        ++p;
        switch (type) {
        case 'c':
        case 'C': {
            bool isWide = (type == 'C' && !narrow) || (type == 'c' && wide);
            int value = va_arg(args, int);
            std::string body;
            if (isWide) {
                body = emu::ToWindows1252({static_cast<std::uint16_t>(value)});
            } else {
                body = std::string(1, static_cast<char>(value));
            }
            // A character argument of zero produces nothing.
            if (value != 0) {
                Field(out, conversion, "", body);
            }
            break;
        }
        case 's':
        case 'S': {
            bool isWide = (type == 'S' && !narrow) || (type == 's' && wide);
            std::string body;
            if (isWide) {
                const WCHAR* text = va_arg(args, const WCHAR*);
                body = text != nullptr ? WideToAnsi(text, conversion) : "(null)";
            } else {
                const char* text = va_arg(args, const char*);
                if (text == nullptr) {
                    text = "(null)";
                }
                for (; *text != '\0' &&
                       (!conversion.hasPrecision || body.size() < conversion.precision);
                     ++text) {
                    body += *text;
                }
            }
            Conversion text = conversion;
            text.zeroPad = false;
            Field(out, text, "", body);
            break;
        }
        case 'd':
        case 'i': {
            long long value = SignedArgument(conversion, args);
            unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                                     : static_cast<unsigned long long>(value);
            Field(out, conversion, value < 0 ? "-" : "", Digits(magnitude, 10, false, conversion));
            break;
        }
        case 'u':
            Field(out, conversion, "",
                  Digits(UnsignedArgument(conversion, args), 10, false, conversion));
            break;
        case 'x':
        case 'X': {
            bool upper = type == 'X';
            std::string prefix = conversion.prefixHex ? (upper ? "0X" : "0x") : "";
            Field(out, conversion, prefix,
                  Digits(UnsignedArgument(conversion, args), 16, upper, conversion));
            break;
        }
        case 'p': {
            Conversion pointer = conversion;
            pointer.hasPrecision = true;
            pointer.precision = 2 * sizeof(void*);
            auto value = reinterpret_cast<UINT_PTR>(va_arg(args, void*));
            Field(out, conversion, "", Digits(value, 16, true, pointer));
            break;
        }
        default:
            // "%%" and any character that means nothing as a format field
            // are copied as they are.
            out += type;
            break;
        }
    }
    return out;
}

} // namespace

int WINAPIV wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
    if (lpOut == nullptr || lpFmt == nullptr) {
        return 0;
    }
    va_list args;
    va_start(args, lpFmt);
    std::string text = Format(lpFmt, args);
    va_end(args);
    // What does not fit in the 1024 bytes is cut off; the terminator is
    // always written and the count says how many characters were stored.
    if (text.size() > MaxOutput - 1) {
        text.resize(MaxOutput - 1);
    }
    text.copy(lpOut, text.size());
    lpOut[text.size()] = '\0';
    return static_cast<int>(text.size());
}
