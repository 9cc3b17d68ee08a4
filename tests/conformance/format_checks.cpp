// wsprintfA: user32's formatter, with Windows' sizes (LLP64) and its
// 1024-byte output limit.
#include "conformance.h"

#include <algorithm>
#include <cstring>

namespace conformance {

namespace {

constexpr std::size_t Limit = 1024;

// wsprintfA's documented maximum is 1024 bytes; the buffer is larger so that
// a write beyond it would show.
char output[Limit + 64];

void Prepare() {
    std::memset(output, 0x5A, sizeof output);
}

void CheckText(const char* name, const char* call, int count, const char* expected) {
    Report(name, call, Text("%d \"%s\"", count, output),
           Text("%d \"%s\"", static_cast<int>(std::strlen(expected)), expected));
}

void CheckIntegers() {
    Prepare();
    CheckText("fmt.zero-padded-negative", "wsprintfA(\"%010ld\", -1)",
              wsprintfA(output, "%010ld", -1), "-000000001");
    Prepare();
    CheckText("fmt.long-is-32-bits", "wsprintfA(\"%lu\", 0xFFFFFFFF)",
              wsprintfA(output, "%lu", 0xFFFFFFFFu), "4294967295");
    Prepare();
    CheckText("fmt.unsigned-of-negative", "wsprintfA(\"%u\", -1)", wsprintfA(output, "%u", -1),
              "4294967295");
    Prepare();
    CheckText("fmt.hex-prefix", "wsprintfA(\"%#x %#X\", 31, 31)",
              wsprintfA(output, "%#x %#X", 31, 31), "0x1f 0X1F");
    Prepare();
    CheckText("fmt.width-left", "wsprintfA(\"[%-5d][%5d]\", 42, 42)",
              wsprintfA(output, "[%-5d][%5d]", 42, 42), "[42   ][   42]");
    Prepare();
    CheckText("fmt.precision-digits", "wsprintfA(\"%.4d\", 7)", wsprintfA(output, "%.4d", 7),
              "0007");
    Prepare();
    CheckText("fmt.percent", "wsprintfA(\"100%%\")", wsprintfA(output, "100%%"), "100%");
}

void CheckSizedIntegers() {
    const unsigned long long wide = (0x12345ULL << 32) | 0x67890AULL;
    Prepare();
    CheckText("fmt.i64-hex", "wsprintfA(\"%I64X\", 0x000123450067890A)",
              wsprintfA(output, "%I64X", wide), "123450067890A");
    Prepare();
    CheckText("fmt.i32-upper-hex", "wsprintfA(\"%I32X\", 0x000123450067890A)",
              wsprintfA(output, "%I32X", wide), "67890A");
    Prepare();
    CheckText("fmt.i32-hex", "wsprintfA(\"%I32x\", -0x12345LL)",
              wsprintfA(output, "%I32x", -0x12345LL), "fffedcbb");
    Prepare();
    CheckText("fmt.i64-unsigned", "wsprintfA(\"%I64u\", -123LL)",
              wsprintfA(output, "%I64u", -123LL), "18446744073709551493");
    Prepare();
    CheckText("fmt.i64-signed", "wsprintfA(\"%I64d\", 543210000000)",
              wsprintfA(output, "%I64d", 543210000000LL), "543210000000");
    Prepare();
    CheckText("fmt.pointer-size", "wsprintfA(\"%Id\", (INT_PTR)-12345)",
              wsprintfA(output, "%Id", static_cast<INT_PTR>(-12345)), "-12345");
    if constexpr (sizeof(void*) == 8) {
        Prepare();
        CheckText("fmt.pointer", "wsprintfA(\"%p\", (void*)-0x12345)",
                  wsprintfA(output, "%p", reinterpret_cast<void*>(static_cast<INT_PTR>(-0x12345))),
                  "FFFFFFFFFFFEDCBB");
    }
}

void CheckStrings() {
    Prepare();
    CheckText("fmt.string", "wsprintfA(\"<%s>\", \"abc\")", wsprintfA(output, "<%s>", "abc"),
              "<abc>");
    Prepare();
    CheckText("fmt.string-precision", "wsprintfA(\"%.2s|%5s|%-5s|\", ...)",
              wsprintfA(output, "%.2s|%5s|%-5s|", "abcdef", "ab", "ab"), "ab|   ab|ab   |");
    Prepare();
    CheckText("fmt.null-string", "wsprintfA(\"%s\", NULL)",
              wsprintfA(output, "%s", static_cast<const char*>(nullptr)), "(null)");
    Prepare();
    CheckText("fmt.char", "wsprintfA(\"%c%c\", 'o', 'k')", wsprintfA(output, "%c%c", 'o', 'k'),
              "ok");
    static const WCHAR ef[] = {'e', 'f', 0};
    Prepare();
    // h: a single-byte character or string, l and w: a wide one.
    CheckText("fmt.size-prefixes", "wsprintfA(\"%hs|%hc|%lc|%ls|%wc\", ...)",
              wsprintfA(output, "%hs|%hc|%lc|%ls|%wc", "ab", 'c', L'd', ef, L'g'), "ab|c|d|ef|g");
    static const WCHAR wide[] = {0x00E9, 't', 0x00E9, 0};
    Prepare();
    CheckText("fmt.wide-string", "wsprintfA(\"%S\", L\"\\u00e9t\\u00e9\")",
              wsprintfA(output, "%S", wide), "\xE9t\xE9");
}

// What stays of an output longer than the 1024 bytes the documentation allows.
void CheckLimit(const char* name, std::size_t length) {
    std::string long_text(length, 'x');
    Prepare();
    int count = wsprintfA(output, "%s", long_text.c_str());
    std::size_t stored = std::strlen(output);
    Report(name, Text("wsprintfA(\"%%s\", %zu characters)", length),
           Text("returned=%d stored=%zu byte-after=%02x", count, stored,
                static_cast<unsigned char>(output[stored + 1])),
           Text("returned=%zu stored=%zu byte-after=5a", std::min(length, Limit - 1),
                std::min(length, Limit - 1)));
}

} // namespace

void RunFormatChecks() {
    CheckIntegers();
    CheckSizedIntegers();
    CheckStrings();
    CheckLimit("fmt.limit-1022", 1022);
    CheckLimit("fmt.limit-1023", 1023);
    CheckLimit("fmt.limit-2000", 2000);
}

} // namespace conformance
