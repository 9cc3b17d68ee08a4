#include "emu/faults.h"
#include "emu/registry.h"
#include "emu/trace.h"
#include "support/machine_test.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* Service = "SYSTEM\\CurrentControlSet\\Services\\Dravix";

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (int value : values) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

class RegistryTest : public MachineTest {
  protected:
    void TearDown() override { EXPECT_EQ(emu::OpenKeyHandles(), 0); }

    HKEY Open(const char* path, REGSAM access = KEY_ALL_ACCESS) {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &key), ERROR_SUCCESS) << path;
        return key;
    }
};

TEST_F(RegistryTest, OpensRelativePathsWithoutRegardToCase) {
    emu::SetDword(std::string(Service) + "\\TouchScreen0\\Parameters", "XlateXLow", 7);
    HKEY service = Open("system\\currentcontrolset\\SERVICES\\dravix");
    HKEY screen = nullptr;
    ASSERT_EQ(RegOpenKeyExA(service, "touchscreen0\\parameters\\", 0, KEY_READ, &screen),
              ERROR_SUCCESS);
    DWORD value = 0, size = sizeof value, type = 0;
    EXPECT_EQ(RegQueryValueExA(screen, "XLATEXLOW", nullptr, &type, reinterpret_cast<BYTE*>(&value),
                               &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);

    // Null or empty sub-key: a second handle to the same key, closed on its own.
    HKEY same = nullptr, again = nullptr;
    ASSERT_EQ(RegOpenKeyExA(screen, nullptr, 0, KEY_READ, &same), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(screen, "", 0, KEY_READ, &again), ERROR_SUCCESS);
    EXPECT_NE(same, screen);
    EXPECT_NE(same, again);
    EXPECT_EQ(emu::OpenKeyHandles(), 4);
    EXPECT_EQ(RegQueryValueExA(same, "XlateXLow", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    for (HKEY key : {same, again, screen, service}) {
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }
    EXPECT_EQ(RegCloseKey(service), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(RegistryTest, MissingKeysAndPathsAsWindowsParsesThem) {
    emu::CreateKey(std::string(Service) + "\\TouchScreen0");
    HKEY key = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1234));
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Nowhere", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SYSTEM", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    // The path is relative to the key: a leading backslash makes it malformed.
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\SYSTEM", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(key, nullptr);
    // Repeated and trailing separators separate nothing.
    for (const char* path : {"SYSTEM\\\\CurrentControlSet\\Services\\Dravix",
                             "SYSTEM\\CurrentControlSet\\Services\\Dravix\\\\"}) {
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key), ERROR_SUCCESS)
            << path;
        HKEY screen = nullptr;
        EXPECT_EQ(RegOpenKeyExA(key, "TouchScreen0", 0, KEY_READ, &screen), ERROR_SUCCESS);
        RegCloseKey(screen);
        RegCloseKey(key);
    }
}

TEST_F(RegistryTest, RootHandlesAsWindowsTreatsThem) {
    emu::CreateKey(Service);
    HKEY untouched = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x1234));
    HKEY key = untouched;
    // No root at all: nothing is written.
    EXPECT_EQ(RegOpenKeyExA(nullptr, "SYSTEM", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(key, untouched);
    EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x44)), "SYSTEM", 0,
                            KEY_READ, &key),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM", 0, KEY_READ, nullptr),
              ERROR_INVALID_PARAMETER);

    // No sub-key of a predefined key: the predefined handle itself, which
    // needs no closing and counts as no open handle.
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, nullptr, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(key, HKEY_CLASSES_ROOT);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(key, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(emu::OpenKeyHandles(), 0);

    // Only the low 32 bits of a predefined key count.
    if constexpr (sizeof(void*) == 8) {
        auto low = static_cast<std::uint64_t>(0x80000002u);
        for (std::uint64_t high : {0ULL, 1ULL, 0xDEADBEEFULL}) {
            HKEY root = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(high << 32 | low));
            ASSERT_EQ(RegOpenKeyExA(root, Service, 0, KEY_READ, &key), ERROR_SUCCESS) << high;
            RegCloseKey(key);
        }
    }
}

TEST_F(RegistryTest, ReadOnlyKeysRefuseWritingRights) {
    emu::SetDword(std::string(Service) + "\\TouchScreen0", "XlateXLow", 1);
    emu::SetReadOnly(Service);
    HKEY key = nullptr;
    const REGSAM writing[] = {KEY_ALL_ACCESS, KEY_SET_VALUE, KEY_SET_VALUE | KEY_QUERY_VALUE,
                              KEY_WRITE};
    for (REGSAM access : writing) {
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, Service, 0, access, &key), ERROR_ACCESS_DENIED)
            << access;
    }
    // The mark covers the keys below, as an inherited ACL does.
    std::string screen = std::string(Service) + "\\TouchScreen0";
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, screen.c_str(), 0, KEY_ALL_ACCESS, &key),
              ERROR_ACCESS_DENIED);

    key = Open(screen.c_str(), KEY_READ);
    DWORD one = 1;
    EXPECT_EQ(RegSetValueExA(key, "XlateXLow", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);

    emu::SetReadOnly(Service, false);
    key = Open(screen.c_str(), KEY_SET_VALUE);
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "XlateXLow", nullptr, nullptr, nullptr, &size),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);

    std::vector<emu::Event> sets = emu::EventsOf("regset");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0]["status"], ERROR_ACCESS_DENIED);
    EXPECT_EQ(emu::GetDword(screen, "XlateXLow"), 1u);
}

TEST_F(RegistryTest, QueryFollowsTheWindowsContract) {
    emu::SetValue(Service, "Blob", REG_BINARY, Bytes({1, 2, 3, 4, 5, 6}));
    emu::SetString(Service, "", "default");
    HKEY key = Open(Service, KEY_QUERY_VALUE);

    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 6u);

    BYTE buffer[8];
    std::memset(buffer, 0xCC, sizeof buffer);
    size = 4;
    type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    for (BYTE byte : buffer) {
        EXPECT_EQ(byte, 0xCC);
    }
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(buffer[5], 6);
    EXPECT_EQ(buffer[6], 0xCC);

    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, buffer, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, nullptr, buffer, nullptr),
              ERROR_INVALID_PARAMETER);
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "default");
    RegCloseKey(key);
}

TEST_F(RegistryTest, StringsAndSizesAsTheAnsiFunctionsGiveThem) {
    emu::CreateKey(Service);
    HKEY key = Open(Service, KEY_ALL_ACCESS);
    // Counted without the terminator that follows: stored with it.
    const char text[] = "abc";
    ASSERT_EQ(RegSetValueExA(key, "Counted", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 3),
              ERROR_SUCCESS);
    EXPECT_EQ(emu::GetValue(Service, "Counted")->data, Bytes({'a', 'b', 'c', 0}));
    // Cut short of the end: stored as given, and terminated when read into a
    // buffer with room to spare, but never beyond the buffer.
    ASSERT_EQ(RegSetValueExA(key, "Cut", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 2),
              ERROR_SUCCESS);
    BYTE buffer[4] = {0xCC, 0xCC, 0xCC, 0xCC};
    DWORD size = 2;
    EXPECT_EQ(RegQueryValueExA(key, "Cut", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(buffer[2], 0xCC);
    size = 3;
    EXPECT_EQ(RegQueryValueExA(key, "Cut", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(buffer[2], 0);

    // A missing value asked for its size has none; with a buffer the size is left.
    size = 77;
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(size, 0u);
    size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, buffer, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(size, 4u);
    // The type and the size in one variable: the size is read first.
    DWORD both = 4;
    EXPECT_EQ(RegQueryValueExA(key, "Counted", nullptr, &both, buffer, &both), ERROR_SUCCESS);
    EXPECT_EQ(both, 4u);
    RegCloseKey(key);
}

TEST_F(RegistryTest, WritesAreTracedAndCanBeMadeToFail) {
    emu::CreateKey(std::string(Service) + "\\TouchScreen0");
    emu::SetDword(std::string(Service) + "\\TouchScreen0", "SwapXY", 0);
    emu::FailWrites("xhigh", ERROR_WRITE_FAULT);
    HKEY key = Open("system\\currentcontrolset\\services\\dravix\\touchscreen0", KEY_SET_VALUE);
    DWORD value = 30;
    const BYTE blob[] = {0xAB, 0x01};
    EXPECT_EQ(RegSetValueExA(key, "SWAPXY", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "XHigh", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
              ERROR_WRITE_FAULT);
    EXPECT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, 2), ERROR_SUCCESS);
    RegCloseKey(key);

    // The stored spelling of names is kept; the failed write stored nothing.
    std::vector<emu::RegistryValue> values = emu::Values(std::string(Service) + "\\TouchScreen0");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].name, "SwapXY");
    EXPECT_EQ(values[0].data, Bytes({30, 0, 0, 0}));
    EXPECT_EQ(values[1].name, "Blob");

    std::vector<emu::Event> sets = emu::EventsOf("regset");
    ASSERT_EQ(sets.size(), 3u);
    const std::string path =
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dravix\\TouchScreen0";
    EXPECT_EQ(sets[0], (emu::Event{{"ev", "regset"},
                                   {"key", path},
                                   {"name", "SWAPXY"},
                                   {"type", REG_DWORD},
                                   {"data", 30},
                                   {"status", 0}}));
    EXPECT_EQ(sets[1]["status"], ERROR_WRITE_FAULT);
    EXPECT_EQ(sets[2]["data"], "ab01");
    EXPECT_EQ(sets[2]["type"], REG_BINARY);
}

TEST_F(RegistryTest, HandlesOfADeletedKeyReportIt) {
    std::string screen = std::string(Service) + "\\TouchScreen1\\Parameters";
    emu::SetDword(screen, "XLow", 5);
    HKEY parent = Open((std::string(Service) + "\\TouchScreen1").c_str());
    HKEY key = Open(screen.c_str());
    EXPECT_TRUE(emu::DeleteKey(std::string(Service) + "\\TouchScreen1"));
    EXPECT_FALSE(emu::KeyExists(screen));

    DWORD value = 1, size = 4;
    EXPECT_EQ(RegSetValueExA(key, "XLow", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
              ERROR_KEY_DELETED);
    EXPECT_EQ(
        RegQueryValueExA(key, "XLow", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
        ERROR_KEY_DELETED);
    HKEY child = nullptr;
    EXPECT_EQ(RegOpenKeyExA(parent, "Parameters", 0, KEY_READ, &child), ERROR_KEY_DELETED);
    // Recreating the key does not revive old handles.
    emu::CreateKey(screen);
    EXPECT_EQ(RegSetValueExA(key, "XLow", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(parent), ERROR_SUCCESS);

    std::vector<emu::Event> sets = emu::EventsOf("regset");
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0]["key"], "HKEY_LOCAL_MACHINE\\" + screen);
    EXPECT_EQ(sets[0]["status"], ERROR_KEY_DELETED);
    EXPECT_FALSE(emu::DeleteKey("HKEY_LOCAL_MACHINE"));
}

TEST_F(RegistryTest, NamesFoldAccentedLettersOfTheCodePage) {
    emu::SetDword("SOFTWARE\\\xC4nderung",
                  "Gr\xD6\xDF"
                  "e",
                  1); // ÄNDERUNG, GRÖßE
    HKEY key = Open("software\\\xE4nderung", KEY_QUERY_VALUE);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key,
                               "gr\xF6\xDF"
                               "e",
                               nullptr, nullptr, nullptr, &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(emu::KeyFullPath("HKLM\\software\\\xE4NDERUNG"),
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\\xC4nderung");
}

// --- .reg files ---

TEST_F(RegistryTest, ImportsEveryFormRegeditWrites) {
    emu::SetDword("SOFTWARE\\Old", "Gone", 1);
    emu::SetDword(Service, "Stale", 1);
    const std::string text = "REGEDIT4\r\n"
                             "\r\n"
                             "; a comment\r\n"
                             "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\r\n"
                             "\r\n"
                             "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dravix]\r\n"
                             "\"NumberOfScreens\"=dword:0000001e\r\n"
                             "@=\"C:\\\\Program Files\\\\\\\"x\\\"\"\r\n"
                             "\"Stale\"=-\r\n"
                             "\"Bin\"=hex:01,02,\\\r\n"
                             "  ff\r\n"
                             "\"Multi\"=hex(7):61,00,62,00,00\r\n"
                             "\"Empty\"=hex:\r\n"
                             "\"Q\" = hex(b):01,00,00,00,00,00,00,00\r\n"
                             "[HKEY_LOCAL_MACHINE\\SYSTEM\\Empty]\r\n";
    emu::RegFileResult result = emu::ImportRegText(text);
    ASSERT_TRUE(result.ok) << result.error;

    EXPECT_FALSE(emu::KeyExists("SOFTWARE\\Old"));
    EXPECT_TRUE(emu::KeyExists("SYSTEM\\Empty"));
    EXPECT_EQ(emu::GetDword(Service, "NumberOfScreens"), 30u);
    EXPECT_FALSE(emu::GetValue(Service, "Stale"));
    std::optional<emu::RegistryValue> text_ = emu::GetValue(Service, "");
    ASSERT_TRUE(text_);
    EXPECT_EQ(text_->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(text_->data.begin(), text_->data.end()),
              std::string("C:\\Program Files\\\"x\"\0", 21));
    EXPECT_EQ(emu::GetValue(Service, "Bin")->data, Bytes({1, 2, 0xFF}));
    EXPECT_EQ(emu::GetValue(Service, "Multi")->type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(emu::GetValue(Service, "Multi")->data, Bytes({'a', 0, 'b', 0, 0}));
    EXPECT_TRUE(emu::GetValue(Service, "Empty")->data.empty());
    EXPECT_EQ(emu::GetValue(Service, "Q")->type, static_cast<DWORD>(REG_QWORD));
}

TEST_F(RegistryTest, ImportsUnicodeFiles) {
    // Version 5.00 as regedit saves it: UTF-16LE with a byte order mark, and
    // string types given as hex in UTF-16.
    std::string utf8 = "Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\xC3\xA9]\r\n"
                       "\"Name\"=\"\xC3\x89t\xC3\xA9\"\r\n"
                       "\"List\"=hex(7):61,00,e9,00,00,00,00,00\r\n";
    // Only ASCII and two-byte sequences (U+0080 to U+07FF) occur above.
    std::string utf16 = "\xFF\xFE";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto byte = static_cast<unsigned char>(utf8[i]);
        unsigned unit = byte;
        if (byte >= 0xC0) {
            unit = (byte & 0x1Fu) << 6 | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
        }
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
    }
    for (const std::string& file : {utf16, "\xEF\xBB\xBF" + utf8}) {
        emu::ResetRegistry();
        emu::RegFileResult result = emu::ImportRegText(file);
        ASSERT_TRUE(result.ok) << result.error;
        std::optional<emu::RegistryValue> name = emu::GetValue("SOFTWARE\\Caf\xE9", "Name");
        ASSERT_TRUE(name);
        EXPECT_EQ(name->data, Bytes({0xC9, 't', 0xE9, 0}));
        EXPECT_EQ(emu::GetValue("SOFTWARE\\Caf\xE9", "List")->data, Bytes({'a', 0xE9, 0, 0}));
    }
}

TEST_F(RegistryTest, AFaultyFileChangesNothing) {
    emu::SetDword(Service, "NumberOfScreens", 2);
    const char* faulty[] = {
        "REGEDIT5\r\n",
        "REGEDIT4\r\n\"Outside\"=dword:1\r\n",
        "REGEDIT4\r\n[SYSTEM\\NoRoot]\r\n",
        "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A\"=dword:123456789\r\n",
        "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A\"=hex:1,2g\r\n",
        "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A\"=\"open\r\n",
        "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A\"=word:1\r\n",
        "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X\r\n",
    };
    for (const char* text : faulty) {
        emu::RegFileResult result =
            emu::ImportRegText(std::string(text) + "[-HKEY_LOCAL_MACHINE\\SYSTEM]\r\n");
        EXPECT_FALSE(result.ok) << text;
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(emu::GetDword(Service, "NumberOfScreens"), 2u) << text;
        EXPECT_FALSE(emu::KeyExists("X"));
    }
    EXPECT_EQ(emu::ImportRegText("REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"A\"=dword:1x\r\n").error,
              "line 3: dword needs 1 to 8 hex digits");
}

TEST_F(RegistryTest, ExportsAsRegeditDoes) {
    emu::SetDword(Service, "NumberOfScreens", 30);
    emu::SetString(Service, "Path", "C:\\a \"b\"");
    emu::SetValue(Service, "Odd", REG_SZ, Bytes({'x'})); // no terminator: kept as hex
    emu::SetValue(Service, "Short", REG_DWORD, Bytes({1, 2}));
    emu::SetValue(Service, "Bin", REG_BINARY, std::vector<std::uint8_t>(30, 0xAB));
    emu::SetValue(Service, "Multi", REG_MULTI_SZ, Bytes({'a', 0, 0}));
    emu::CreateKey(std::string(Service) + "\\TouchScreen0");
    emu::SetDword("SYSTEM\\CurrentControlSet\\Services\\Dravix\\a", "", 1);

    const std::string expected =
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dravix]\r\n"
        "\"NumberOfScreens\"=dword:0000001e\r\n"
        "\"Path\"=\"C:\\\\a \\\"b\\\"\"\r\n"
        "\"Odd\"=hex(1):78\r\n"
        "\"Short\"=hex(4):01,02\r\n"
        "\"Bin\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\r\n"
        "  ab,ab,ab,ab,ab,ab,ab,ab\r\n"
        "\"Multi\"=hex(7):61,00,00\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dravix\\a]\r\n"
        "@=dword:00000001\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Dravix\\TouchScreen0]\r\n"
        "\r\n";
    EXPECT_EQ(emu::ExportRegText("hklm\\system\\currentcontrolset\\services\\DRAVIX"), expected);
    EXPECT_EQ(emu::ExportRegText("SYSTEM\\Nowhere"), "REGEDIT4\r\n\r\n");
}

TEST_F(RegistryTest, FilesRoundTrip) {
    emu::SetDword(Service, "NumberOfScreens", 2);
    emu::SetString(Service, "", "\xE9t\xE9 \\ \"q\"");
    emu::SetValue(Service, "Raw", 0x1234, Bytes({0, 1, 2}));
    emu::SetValue(std::string(Service) + "\\TouchScreen0\\Parameters", "Blob", REG_BINARY,
                  std::vector<std::uint8_t>(100, 7));
    emu::SetValue("HKEY_CURRENT_USER\\Software\\V", "S", REG_EXPAND_SZ, Bytes({'%', 0}));
    const std::string file = std::string(VINTOQ_BINARY_DIR) + "/registry_round_trip.reg";
    ASSERT_TRUE(emu::SaveRegFile(file));
    const std::string saved = emu::ExportRegText();

    emu::ResetRegistry();
    emu::RegFileResult result = emu::LoadRegFile(file);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(emu::ExportRegText(), saved);
    EXPECT_EQ(emu::GetValue(Service, "Raw")->type, 0x1234u);
    EXPECT_EQ(emu::GetValue(Service, "")->data,
              Bytes({0xE9, 't', 0xE9, ' ', '\\', ' ', '"', 'q', '"', 0}));
    EXPECT_EQ(emu::GetValue(std::string(Service) + "\\TouchScreen0\\Parameters", "Blob")->data,
              std::vector<std::uint8_t>(100, 7));
    // Only the branch asked for is saved.
    EXPECT_FALSE(emu::KeyExists("HKEY_CURRENT_USER\\Software\\V"));
    std::remove(file.c_str());

    EXPECT_FALSE(emu::LoadRegFile(file).ok);
}

TEST_F(RegistryTest, SampleFilesLoad) {
    for (const char* name : {"two_screens_nt.reg", "two_screens_9x.reg"}) {
        emu::ResetRegistry();
        emu::RegFileResult result =
            emu::LoadRegFile(std::string(VINTOQ_SOURCE_DIR) + "/tests/data/" + name);
        EXPECT_TRUE(result.ok) << name << ": " << result.error;
        EXPECT_EQ(emu::GetDword(Service, "NumberOfScreens"), 2u) << name;
    }
}

} // namespace
