// Registry: RegOpenKeyExA, RegQueryValueExA, RegSetValueExA, RegCloseKey, on
// the keys of fixture.reg below HKEY_CURRENT_USER.
#include "conformance.h"

#include <cstring>

namespace conformance {

namespace {

constexpr const char* Base = "Software\\VintoqConformance";
const HKEY Untouched = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x5A5A5A50));

// How an output handle came out, relative to what it held before the call
// and to the key the call was made on.
std::string KeyKind(HKEY key, HKEY root) {
    if (key == nullptr) {
        return "NULL";
    }
    if (key == Untouched) {
        return "untouched";
    }
    return key == root ? "same-as-root" : "new";
}

LSTATUS Open(HKEY root, const char* path, REGSAM access, HKEY* key) {
    *key = Untouched;
    return RegOpenKeyExA(root, path, 0, access, key);
}

void CloseIfNew(HKEY key, HKEY root) {
    if (key != nullptr && key != Untouched && key != root) {
        RegCloseKey(key);
    }
}

void CheckOpen(const char* name, HKEY root, const char* rootName, const char* path,
               const char* expected) {
    HKEY key = nullptr;
    LSTATUS status = Open(root, path, KEY_READ, &key);
    std::string shown = path == nullptr ? "NULL" : Text("\"%s\"", path);
    Report(name, Text("RegOpenKeyExA(%s, %s)", rootName, shown.c_str()),
           Text("status=%ld key=%s", status, KeyKind(key, root).c_str()), expected);
    CloseIfNew(key, root);
}

HKEY WithHighBits(HKEY predefined, std::uint64_t high) {
    auto low = static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(predefined));
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(high << 32 | low));
}

void CheckOpenPaths() {
    CheckOpen("reg.open.existing", HKEY_CURRENT_USER, "HKCU", Base, "status=0 key=new");
    CheckOpen("reg.open.case-insensitive", HKEY_CURRENT_USER, "HKCU",
              "SOFTWARE\\vintoqconformance\\SUB", "status=0 key=new");
    CheckOpen("reg.open.missing", HKEY_CURRENT_USER, "HKCU", "Software\\VintoqConformance\\Nowhere",
              "status=2 key=NULL");
    CheckOpen("reg.open.trailing-backslash", HKEY_CURRENT_USER, "HKCU",
              "Software\\VintoqConformance\\", "status=0 key=new");
    CheckOpen("reg.open.trailing-double-backslash", HKEY_CURRENT_USER, "HKCU",
              "Software\\VintoqConformance\\\\", "status=0 key=new");
    CheckOpen("reg.open.leading-backslash", HKEY_CURRENT_USER, "HKCU",
              "\\Software\\VintoqConformance", "status=161 key=NULL");
    CheckOpen("reg.open.predefined-empty", HKEY_CURRENT_USER, "HKCU", "",
              "status=0 key=same-as-root");
    CheckOpen("reg.open.predefined-null", HKEY_CLASSES_ROOT, "HKCR", nullptr,
              "status=0 key=same-as-root");
    CheckOpen("reg.open.null-root", nullptr, "NULL", Base, "status=6 key=untouched");
    CheckOpen("reg.open.null-root-empty", nullptr, "NULL", "", "status=6 key=untouched");
    CheckOpen("reg.open.invalid-root", reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x44)), "0x44",
              Base, "status=6 key=NULL");
    if constexpr (sizeof(void*) == 8) {
        // Only the low 32 bits of a predefined key count.
        CheckOpen("reg.open.predefined-zero-extended", WithHighBits(HKEY_CURRENT_USER, 0),
                  "HKCU zero-extended", Base, "status=0 key=new");
        CheckOpen("reg.open.predefined-high-junk", WithHighBits(HKEY_CURRENT_USER, 0xDEADBEEF),
                  "HKCU|0xDEADBEEF<<32", Base, "status=0 key=new");
    }

    HKEY base = nullptr;
    Open(HKEY_CURRENT_USER, Base, KEY_READ, &base);
    CheckOpen("reg.open.relative", base, "base", "Sub", "status=0 key=new");
    CheckOpen("reg.open.opened-empty", base, "base", "", "status=0 key=new");
    CheckOpen("reg.open.opened-null", base, "base", nullptr, "status=0 key=new");
    RegCloseKey(base);
}

struct Query {
    LSTATUS status = 0;
    DWORD type = Unset;
    DWORD size = Unset;
    BYTE data[16];
};

Query QueryValue(HKEY key, const char* name, DWORD bufferSize, bool withBuffer = true) {
    Query query;
    std::memset(query.data, 0xBD, sizeof query.data);
    query.size = bufferSize;
    query.status = RegQueryValueExA(key, name, nullptr, &query.type,
                                    withBuffer ? query.data : nullptr, &query.size);
    return query;
}

std::string Bytes(const BYTE* data, DWORD count) {
    std::string text;
    for (DWORD i = 0; i < count; ++i) {
        text += Text("%02x", data[i]);
    }
    return text;
}

void CheckQueries(HKEY key) {
    Query q = QueryValue(key, "Number", 4);
    DWORD number = 0;
    std::memcpy(&number, q.data, 4);
    Report("reg.query.dword", "RegQueryValueExA(\"Number\", 4-byte buffer)",
           Text("status=%ld type=%u size=%u value=0x%08X", q.status, q.type, q.size, number),
           "status=0 type=4 size=4 value=0x12345678");

    q = QueryValue(key, "Blob", Unset, false);
    Report("reg.query.size-only", "RegQueryValueExA(\"Blob\", no buffer)",
           Text("status=%ld type=%u size=%u", q.status, q.type, q.size), "status=0 type=3 size=6");

    q = QueryValue(key, "Blob", 4);
    // The buffer's contents are undefined after ERROR_MORE_DATA.
    Report("reg.query.buffer-too-small", "RegQueryValueExA(\"Blob\", 4-byte buffer)",
           Text("status=%ld type=%u size=%u", q.status, q.type, q.size),
           "status=234 type=3 size=6");

    q = QueryValue(key, "Blob", sizeof q.data);
    Report("reg.query.binary", "RegQueryValueExA(\"Blob\", 16-byte buffer)",
           Text("status=%ld size=%u data=%s next=%02x", q.status, q.size, Bytes(q.data, 6).c_str(),
                q.data[6]),
           "status=0 size=6 data=010203040506 next=bd");

    q = QueryValue(key, "Text", sizeof q.data);
    Report("reg.query.string", "RegQueryValueExA(\"Text\", 16-byte buffer)",
           Text("status=%ld type=%u size=%u data=%s", q.status, q.type, q.size,
                Bytes(q.data, 5).c_str()),
           "status=0 type=1 size=4 data=61626300bd");

    q = QueryValue(key, "Missing", Unset, false);
    Report("reg.query.missing-size-only", "RegQueryValueExA(\"Missing\", no buffer)",
           Text("status=%ld size=%u", q.status, q.size), "status=2 size=0");

    q = QueryValue(key, "Missing", sizeof q.data);
    Report("reg.query.missing-with-buffer", "RegQueryValueExA(\"Missing\", 16-byte buffer)",
           Text("status=%ld size=%u", q.status, q.size), "status=2 size=16");

    // The same variable as type and size: the size is what counts on entry.
    DWORD shared = 4;
    BYTE buffer[4] = {};
    LSTATUS status = RegQueryValueExA(key, "Bin4", nullptr, &shared, buffer, &shared);
    Report("reg.query.type-and-size-shared", "RegQueryValueExA(\"Bin4\", &v, buffer, &v)",
           Text("status=%ld data=%s", status, Bytes(buffer, 4).c_str()), "status=0 data=0a0b0c0d");

    DWORD size = 4;
    DWORD reserved = 0;
    status = RegQueryValueExA(key, "Number", &reserved, nullptr, buffer, &size);
    Report("reg.query.reserved", "RegQueryValueExA(lpReserved non-NULL)",
           Text("status=%ld", status), "status=87");
    status = RegQueryValueExA(key, "Number", nullptr, nullptr, buffer, nullptr);
    Report("reg.query.data-without-size", "RegQueryValueExA(buffer, NULL size)",
           Text("status=%ld", status), "status=87");

    HKEY sub = nullptr;
    Open(key, "Sub", KEY_READ, &sub);
    q = QueryValue(sub, nullptr, sizeof q.data);
    Query empty = QueryValue(sub, "", sizeof q.data);
    Report("reg.query.default-value", "RegQueryValueExA(Sub, NULL name) and (Sub, \"\")",
           Text("status=%ld/%ld size=%u/%u text=%s", q.status, empty.status, q.size, empty.size,
                reinterpret_cast<char*>(q.data)),
           "status=0/0 size=8/8 text=default");
    RegCloseKey(sub);
    q = QueryValue(key, nullptr, sizeof q.data);
    Report("reg.query.no-default-value", "RegQueryValueExA(base, NULL name)",
           Text("status=%ld", q.status), "status=2");

    q = QueryValue(HKEY_CURRENT_USER, "VintoqConformanceNoSuchValue", sizeof q.data);
    Report("reg.query.predefined-root", "RegQueryValueExA(HKCU, missing value)",
           Text("status=%ld", q.status), "status=2");
    q = QueryValue(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x44)), "Number", sizeof q.data);
    Report("reg.query.invalid-handle", "RegQueryValueExA(0x44)", Text("status=%ld", q.status),
           "status=6");
}

LSTATUS SetString(HKEY key, const char* name, const char* text, DWORD size) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size);
}

void CheckStringTerminators(HKEY key) {
    // "abc" counted without its terminator, the terminator following in
    // memory: Windows stores it all the same.
    LSTATUS status = SetString(key, "Unterminated", "abc", 3);
    Query q = QueryValue(key, "Unterminated", Unset, false);
    Report("reg.set.string-without-terminator", "RegSetValueExA(REG_SZ \"abc\", 3)",
           Text("status=%ld stored-size=%u", status, q.size), "status=0 stored-size=4");

    // Two bytes of "abcd": no terminator follows, none is stored.
    status = SetString(key, "Cut", "abcd", 2);
    q = QueryValue(key, "Cut", Unset, false);
    Report("reg.set.string-cut", "RegSetValueExA(REG_SZ \"abcd\", 2)",
           Text("status=%ld stored-size=%u", status, q.size), "status=0 stored-size=2");

    q = QueryValue(key, "Cut", 2);
    Report("reg.query.string-exact-room", "RegQueryValueExA(\"Cut\", 2-byte buffer)",
           Text("status=%ld size=%u data=%s", q.status, q.size, Bytes(q.data, 3).c_str()),
           "status=0 size=2 data=6162bd");
    q = QueryValue(key, "Cut", 3);
    // The ANSI function terminates a string that has room for it.
    Report("reg.query.string-room-to-spare", "RegQueryValueExA(\"Cut\", 3-byte buffer)",
           Text("status=%ld size=%u data=%s", q.status, q.size, Bytes(q.data, 3).c_str()),
           "status=0 size=2 data=616200");

    status = SetString(key, "Empty", "", 0);
    q = QueryValue(key, "Empty", sizeof q.data);
    Report("reg.set.string-zero-bytes", "RegSetValueExA(REG_SZ \"\", 0)",
           Text("status=%ld size=%u first=%02x", status, q.size, q.data[0]),
           "status=0 size=0 first=bd");
}

void CheckWrites(HKEY key) {
    DWORD value = 0xCAFEF00D;
    LSTATUS status = RegSetValueExA(key, "Written", 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&value), sizeof value);
    Query q = QueryValue(key, "WRITTEN", 4);
    DWORD read = 0;
    std::memcpy(&read, q.data, 4);
    Report("reg.set.dword", "RegSetValueExA(\"Written\", REG_DWORD), read as \"WRITTEN\"",
           Text("status=%ld type=%u value=0x%08X", status, q.type, read),
           "status=0 type=4 value=0xCAFEF00D");

    status = SetString(key, "Written", "x", 2);
    q = QueryValue(key, "Written", sizeof q.data);
    Report("reg.set.replace-type", "RegSetValueExA(\"Written\", REG_SZ) over a REG_DWORD",
           Text("status=%ld type=%u size=%u", status, q.type, q.size), "status=0 type=1 size=2");

    status = RegSetValueExA(key, "NoData", 0, REG_DWORD, nullptr, 4);
    Report("reg.set.null-data", "RegSetValueExA(NULL data, 4)", Text("status=%ld", status),
           "status=998");
    status = RegSetValueExA(key, "NoData", 0, REG_BINARY, nullptr, 0);
    q = QueryValue(key, "NoData", sizeof q.data);
    Report("reg.set.null-data-empty", "RegSetValueExA(REG_BINARY, NULL data, 0)",
           Text("status=%ld stored=%ld size=%u", status, q.status, q.size),
           "status=0 stored=0 size=0");

    status = RegSetValueExA(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x44)), "X", 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&value), 4);
    Report("reg.set.invalid-handle", "RegSetValueExA(0x44)", Text("status=%ld", status),
           "status=6");
}

void CheckAccessRights() {
    HKEY readOnly = nullptr;
    Open(HKEY_CURRENT_USER, Base, KEY_QUERY_VALUE, &readOnly);
    DWORD value = 1;
    LSTATUS status =
        RegSetValueExA(readOnly, "Denied", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    Report("reg.set.without-set-value-right", "RegSetValueExA(key opened KEY_QUERY_VALUE)",
           Text("status=%ld", status), "status=5");
    RegCloseKey(readOnly);

    HKEY writeOnly = nullptr;
    Open(HKEY_CURRENT_USER, Base, KEY_SET_VALUE, &writeOnly);
    Query q = QueryValue(writeOnly, "Number", 4);
    Report("reg.query.without-query-right", "RegQueryValueExA(key opened KEY_SET_VALUE)",
           Text("status=%ld", q.status), "status=5");
    RegCloseKey(writeOnly);
}

void CheckClose() {
    HKEY key = nullptr;
    Open(HKEY_CURRENT_USER, Base, KEY_READ, &key);
    LSTATUS first = RegCloseKey(key);
    LSTATUS second = RegCloseKey(key);
    Report("reg.close.twice", "RegCloseKey(key) twice", Text("first=%ld second=%ld", first, second),
           "first=0 second=6");
    Report("reg.close.predefined", "RegCloseKey(HKCU)",
           Text("status=%ld", RegCloseKey(HKEY_CURRENT_USER)), "status=0");
    Report("reg.close.null", "RegCloseKey(NULL)", Text("status=%ld", RegCloseKey(nullptr)),
           "status=6");
}

} // namespace

void RunRegistryChecks() {
    CheckOpenPaths();
    HKEY key = nullptr;
    if (Open(HKEY_CURRENT_USER, Base, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        Report("reg.fixture", "RegOpenKeyExA(HKCU, base, KEY_ALL_ACCESS)", "missing", "present");
        return;
    }
    CheckQueries(key);
    CheckStringTerminators(key);
    CheckWrites(key);
    RegCloseKey(key);
    CheckAccessRights();
    CheckClose();
}

} // namespace conformance
