// The emulated resource loader against the compiled resource script: the
// .res records, the dialog templates as compiled, the icon, LoadStringA's
// contract and wsprintfA.
#include "support/machine_test.h"
#include "ui/resource.h"

#include "emu/resources.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

extern const std::uint8_t VintoqResBytes[];
extern const std::size_t VintoqResSize;

namespace {

constexpr DWORD DialogFrame = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD Button = WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD DefaultButton = WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_TABSTOP;
constexpr DWORD CentredText = WS_CHILD | WS_VISIBLE | SS_CENTER | WS_GROUP;
constexpr DWORD LeftText = WS_CHILD | WS_VISIBLE | SS_LEFT | WS_GROUP;
constexpr DWORD GroupBox = WS_CHILD | WS_VISIBLE | BS_GROUPBOX;

struct Item {
    int id;
    const char* className;
    DWORD style;
    short x, y, cx, cy;
    const char* text;
};

void ExpectFrame(const emu::DialogTemplate& dialog, short cx, short cy, const char* caption) {
    EXPECT_EQ(dialog.style, DialogFrame);
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, cx);
    EXPECT_EQ(dialog.cy, cy);
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.className, "");
    EXPECT_EQ(dialog.caption, caption);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.faceName, "MS Sans Serif");
}

void ExpectItems(const emu::DialogTemplate& dialog, const std::vector<Item>& expected) {
    ASSERT_EQ(dialog.items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& item = dialog.items[i];
        const auto& want = expected[i];
        SCOPED_TRACE("item " + std::to_string(i + 1));
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(item.className, want.className);
        EXPECT_EQ(item.style, want.style);
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
        EXPECT_EQ(item.text, want.text);
    }
}

std::vector<emu::RawResource> ProgramResources() {
    auto resources = emu::ParseResFile(VintoqResBytes, VintoqResSize);
    EXPECT_TRUE(resources.has_value());
    return resources.value_or(std::vector<emu::RawResource>{});
}

bool Contains(const std::vector<std::uint8_t>& data, const std::vector<std::uint8_t>& part) {
    return std::search(data.begin(), data.end(), part.begin(), part.end()) != data.end();
}

class ResourcesTest : public MachineTest {};

TEST_F(ResourcesTest, CompiledFileHoldsTheResourcesUnderEnglishUS) {
    auto resources = ProgramResources();
    ASSERT_FALSE(resources.empty());
    // A .res file opens with an empty entry that marks it as 32-bit.
    EXPECT_TRUE(resources[0].type.isOrdinal && resources[0].type.ordinal == 0);
    EXPECT_TRUE(resources[0].data.empty());
    int icons = 0, groups = 0, dialogs = 0, blocks = 0, versions = 0;
    for (std::size_t i = 1; i < resources.size(); ++i) {
        const auto& resource = resources[i];
        EXPECT_EQ(resource.language, 1033) << i;
        ASSERT_TRUE(resource.type.isOrdinal);
        switch (resource.type.ordinal) {
        case 3: ++icons; break;
        case 5: ++dialogs; break;
        case 6: ++blocks; break;
        case 14:
            ++groups;
            EXPECT_EQ(resource.name.name, "VINTOQ");
            break;
        case 16:
            ++versions;
            EXPECT_TRUE(resource.name.isOrdinal && resource.name.ordinal == 1);
            break;
        default: ADD_FAILURE() << "unexpected type " << resource.type.ordinal;
        }
    }
    EXPECT_EQ(icons, 1);
    EXPECT_EQ(groups, 1);
    EXPECT_EQ(dialogs, 2);
    EXPECT_GT(blocks, 0);
    EXPECT_EQ(versions, 1);
}

TEST_F(ResourcesTest, AccentsAreStoredAsUtf16) {
    // "Vérification" of the French caption 2102, in string block 2102 / 16 + 1.
    const std::vector<std::uint8_t> verification = {'V', 0, 0xE9, 0, 'r', 0, 'i', 0};
    const std::vector<std::uint8_t> question = {0xBF, 0, 'S', 0, 'a', 0}; // "¿Sa", 6101
    bool foundFrench = false, foundSpanish = false;
    for (const auto& resource : ProgramResources()) {
        if (resource.type.isOrdinal && resource.type.ordinal == 6 && resource.name.isOrdinal) {
            foundFrench |=
                resource.name.ordinal == 2102 / 16 + 1 && Contains(resource.data, verification);
            foundSpanish |=
                resource.name.ordinal == 6101 / 16 + 1 && Contains(resource.data, question);
        }
    }
    EXPECT_TRUE(foundFrench);
    EXPECT_TRUE(foundSpanish);
}

TEST_F(ResourcesTest, CalibTestTemplateAsCompiled) {
    const emu::DialogTemplate* dialog =
        emu::FindDialogTemplate(emu::ProgramInstance(), "CalibTest");
    ASSERT_NE(dialog, nullptr);
    ExpectFrame(*dialog, 186, 71, "<Calib test>");
    ExpectItems(*dialog, {
                             {IDOK, "BUTTON", DefaultButton, 29, 50, 50, 14, "<Yes>"},
                             {IDCANCEL, "BUTTON", Button, 104, 50, 50, 14, "<No>"},
                             {1009, "STATIC", CentredText, 7, 14, 172, 8,
                              "<Touch different areas on the screen.>"},
                             {1010, "STATIC", CentredText, 7, 26, 172, 8,
                              "<Does the cursor jump to your finger tip?>"},
                         });
}

TEST_F(ResourcesTest, ParamErrorTemplateAsCompiled) {
    const emu::DialogTemplate* dialog =
        emu::FindDialogTemplate(emu::ProgramInstance(), "ParamError");
    ASSERT_NE(dialog, nullptr);
    ExpectFrame(*dialog, 345, 189, "Invalid command line parameter");
    std::vector<Item> items = {
        {IDOK, "BUTTON", DefaultButton, 147, 168, 50, 14, "OK"},
        {1000, "STATIC", CentredText, 13, 15, 318, 8, "<Param error message>"},
    };
    std::vector<std::string> helpTexts;
    for (int k = 1; k <= 10; ++k) {
        helpTexts.push_back("<Param help " + std::to_string(k) + ">");
    }
    for (int k = 0; k < 10; ++k) {
        items.push_back({1001 + k, "STATIC", LeftText, 7, static_cast<short>(30 + 9 * k), 331, 8,
                         helpTexts[static_cast<std::size_t>(k)].c_str()});
    }
    items.push_back({1011, "STATIC", LeftText, 7, 144, 331, 8, "<Param example 3>"});
    items.push_back({1012, "STATIC", LeftText, 7, 153, 331, 8, "<Param example 4>"});
    items.push_back({-1, "BUTTON", GroupBox, 7, 7, 331, 20, ""});
    items.push_back({1013, "STATIC", LeftText, 7, 126, 331, 8, "<Param example 1>"});
    items.push_back({1014, "STATIC", LeftText, 7, 135, 331, 8, "<Param example 2>"});
    ExpectItems(*dialog, items);
}

TEST_F(ResourcesTest, TemplatesAreFoundByNameWithoutRegardToCase) {
    HINSTANCE program = emu::ProgramInstance();
    const emu::DialogTemplate* calibTest = emu::FindDialogTemplate(program, "CalibTest");
    ASSERT_NE(calibTest, nullptr);
    EXPECT_EQ(emu::FindDialogTemplate(program, "CALIBTEST"), calibTest);
    EXPECT_EQ(emu::FindDialogTemplate(program, "calibtest"), calibTest);
    // A null instance is the process's own module.
    EXPECT_EQ(emu::FindDialogTemplate(nullptr, "CalibTest"), calibTest);
    EXPECT_NE(emu::FindDialogTemplate(program, "paramerror"), nullptr);

    EXPECT_EQ(emu::FindDialogTemplate(program, "CalibTes"), nullptr);
    EXPECT_EQ(emu::FindDialogTemplate(program, "CalibTestX"), nullptr);
    EXPECT_EQ(emu::FindDialogTemplate(program, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(emu::FindDialogTemplate(program, "#1"), nullptr);
    auto other = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x10000000));
    EXPECT_EQ(emu::FindDialogTemplate(other, "CalibTest"), nullptr);
}

TEST_F(ResourcesTest, IconIsOne32By32ImageOf16Colours) {
    const emu::IconImage* icon = emu::FindIcon(emu::ProgramInstance(), "VINTOQ");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(emu::FindIcon(emu::ProgramInstance(), "vintoq"), icon);
    EXPECT_EQ(icon->width, 32);
    EXPECT_EQ(icon->height, 32);
    EXPECT_EQ(icon->bitsPerPixel, 4);
    ASSERT_EQ(icon->pixels.size(), 32u * 32u);
    ASSERT_EQ(icon->transparent.size(), 32u * 32u);
    auto at = [](int x, int y) { return static_cast<std::size_t>(y * 32 + x); };
    // Transparent corners, opaque disc: a white disc with red rings and a
    // black cross hair. The picture is symmetric, so a row or column flip in
    // decoding would still pass this; the bottom-up order is checked with
    // hand-made bytes below.
    EXPECT_TRUE(icon->transparent[at(0, 0)]);
    EXPECT_TRUE(icon->transparent[at(31, 31)]);
    EXPECT_FALSE(icon->transparent[at(16, 16)]);
    EXPECT_EQ(icon->pixels[at(16, 16)], 0x000000u);
    EXPECT_EQ(icon->pixels[at(16, 4)], 0x000000u);
    EXPECT_EQ(icon->pixels[at(8, 8)], 0xFFFFFFu);
    EXPECT_EQ(icon->pixels[at(3, 12)], 0xFF0000u);
    std::vector<std::uint32_t> colours(icon->pixels);
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
    EXPECT_LE(colours.size(), 16u);
}

TEST_F(ResourcesTest, LoadIconGivesTheSharedHandle) {
    HINSTANCE program = emu::ProgramInstance();
    HICON first = LoadIconA(program, "VINTOQ");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(LoadIconA(program, "Vintoq"), first);
    EXPECT_EQ(emu::IconFromHandle(first), emu::FindIcon(program, "VINTOQ"));
    emu::Reset();
    EXPECT_EQ(LoadIconA(program, "VINTOQ"), first);

    SetLastError(0);
    EXPECT_EQ(LoadIconA(program, "CalibTest"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    // A null instance asks for a system icon.
    EXPECT_EQ(LoadIconA(nullptr, "VINTOQ"), nullptr);
    EXPECT_EQ(emu::IconFromHandle(nullptr), nullptr);
    EXPECT_EQ(emu::IconFromHandle(reinterpret_cast<HICON>(static_cast<std::uintptr_t>(0x1234))),
              nullptr);
}

TEST_F(ResourcesTest, LoadStringCopiesAndTerminates) {
    HINSTANCE program = emu::ProgramInstance();
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(program, IDS_TEST_CAPTION, buffer, sizeof buffer), 17);
    EXPECT_STREQ(buffer, "Check Calibration");

    // Exactly room for the text and its terminator.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(program, IDS_TEST_CAPTION, buffer, 18), 17);
    EXPECT_STREQ(buffer, "Check Calibration");

    // One short: the text is cut to capacity - 1 and still terminated.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(program, IDS_TEST_CAPTION, buffer, 17), 16);
    EXPECT_STREQ(buffer, "Check Calibratio");
    EXPECT_EQ(buffer[17], 'x');

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(program, 2102, buffer, 3), 2);
    EXPECT_STREQ(buffer, "V\xE9");

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(program, IDS_TEST_CAPTION, buffer, 1), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'x');

    // LoadStringA has no pointer mode: a zero capacity writes nothing.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(program, IDS_TEST_CAPTION, buffer, 0), -1);
    EXPECT_EQ(LoadStringA(program, IDS_TEST_CAPTION, buffer, -5), -1);
    EXPECT_EQ(buffer[0], 'x');

    // Only the low word of the id counts.
    EXPECT_EQ(LoadStringA(program, 0x10000 + IDS_TEST_CAPTION, buffer, sizeof buffer), 17);
    EXPECT_STREQ(buffer, "Check Calibration");
}

TEST_F(ResourcesTest, LoadStringOfAMissingTextGivesAnEmptyString) {
    HINSTANCE program = emu::ProgramInstance();
    char buffer[16];
    // In an existing block (ids 96 to 111) but not defined.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(program, 107, buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], '\0');
    // No block at all, as for a language number past the tables.
    std::memset(buffer, 'x', sizeof buffer);
    SetLastError(0);
    EXPECT_EQ(LoadStringA(program, 7102, buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    // Another module has none of the program's strings.
    auto other = reinterpret_cast<HINSTANCE>(static_cast<std::uintptr_t>(0x10000000));
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(other, IDS_TEST_CAPTION, buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_FALSE(emu::FindString(program, 107).has_value());
    EXPECT_EQ(emu::FindString(program, 102).value_or(""), "Check Calibration");
}

// A 2 x 2 icon, 4 bits per pixel: palette 0 black, 1 red, 2 green, 3 blue.
// Written into a buffer of its final size: GCC 12 at -O3 takes the inserts
// that grow a vector for writes out of bounds.
std::vector<std::uint8_t> TinyIcon() {
    std::vector<std::uint8_t> data(40 + 16 + 8 + 8, 0);
    auto put = [&data](std::size_t at, std::initializer_list<std::uint8_t> bytes) {
        for (std::uint8_t byte : bytes) {
            data[at++] = byte;
        }
    };
    // The header: 2 pixels wide, 4 rows (XOR and AND images), 1 plane, 4 bits.
    put(0, {40, 0, 0, 0, 2, 0, 0, 0, 4, 0, 0, 0, 1, 0, 4, 0});
    data[32] = 4; // colours used
    put(40, {0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0});
    // XOR rows, bottom row first, 4 bytes each: bottom (blue, black), top (red, green).
    put(56, {0x30, 0, 0, 0, 0x12, 0, 0, 0});
    // AND rows: bottom right transparent.
    put(64, {0x40, 0, 0, 0, 0x00, 0, 0, 0});
    return data;
}

TEST_F(ResourcesTest, IconBitmapsAreDecodedBottomUp) {
    auto image = emu::DecodeIconImage(TinyIcon());
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->pixels, (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0x000000}));
    EXPECT_EQ(image->transparent, (std::vector<bool>{false, false, false, true}));

    auto data = TinyIcon();
    for (std::size_t size = 0; size < data.size(); ++size) {
        std::vector<std::uint8_t> cut(data.begin(),
                                      data.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(emu::DecodeIconImage(cut).has_value()) << size;
    }
    auto png = data;
    png[0] = 0x89, png[1] = 'P', png[2] = 'N', png[3] = 'G';
    EXPECT_FALSE(emu::DecodeIconImage(png).has_value());
}

TEST_F(ResourcesTest, MalformedResourcesAreRefusedNotOverread) {
    std::vector<std::uint8_t> calibTest;
    for (const auto& resource : ProgramResources()) {
        if (resource.type.isOrdinal && resource.type.ordinal == 5 &&
            resource.name.name == "CALIBTEST") {
            calibTest = resource.data;
        }
    }
    ASSERT_FALSE(calibTest.empty());
    for (std::size_t size = 0; size < calibTest.size(); ++size) {
        std::vector<std::uint8_t> cut(calibTest.begin(),
                                      calibTest.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(emu::DecodeDialogTemplate(cut).has_value()) << size;
    }
    // DLGTEMPLATEEX is not read.
    auto extended = calibTest;
    extended[0] = 1, extended[1] = 0, extended[2] = 0xFF, extended[3] = 0xFF;
    EXPECT_FALSE(emu::DecodeDialogTemplate(extended).has_value());

    // Every cut of the .res file parses or is refused; none reads past the end.
    for (std::size_t size = 0; size < VintoqResSize; size += size < 2048 ? 1 : 61) {
        std::vector<std::uint8_t> cut(VintoqResBytes, VintoqResBytes + size);
        auto parsed = emu::ParseResFile(cut.data(), cut.size());
        if (parsed) {
            std::size_t total = 0;
            for (const auto& resource : *parsed) {
                total += resource.data.size();
            }
            EXPECT_LE(total, size);
        }
    }
    // A record claiming more header or data than the file holds.
    std::uint8_t record[40] = {0, 0, 0, 0, 32, 0, 0, 0, 0xFF, 0xFF, 6, 0, 0xFF, 0xFF, 1, 0};
    EXPECT_TRUE(emu::ParseResFile(record, 32).has_value());
    record[7] = 0x7F;
    EXPECT_FALSE(emu::ParseResFile(record, sizeof record).has_value());
    record[7] = 0, record[3] = 0x7F;
    EXPECT_FALSE(emu::ParseResFile(record, sizeof record).has_value());
}

TEST_F(ResourcesTest, WsprintfFormatsTheIoctlResultLine) {
    char buffer[1100];
    EXPECT_EQ(wsprintfA(buffer, "IoctlResult = %u:\n", 0u), 17);
    EXPECT_STREQ(buffer, "IoctlResult = 0:\n");
    EXPECT_EQ(wsprintfA(buffer, "IoctlResult = %u:\n", 0xFFFFFFFFu), 26);
    EXPECT_STREQ(buffer, "IoctlResult = 4294967295:\n");
}

TEST_F(ResourcesTest, WsprintfFieldsFlagsAndSizes) {
    char buffer[1100];
    auto format = [&](auto... args) {
        int length = wsprintfA(buffer, args...);
        EXPECT_EQ(length, static_cast<int>(std::strlen(buffer)));
        return std::string(buffer);
    };
    EXPECT_EQ(format("Parameter \"%s\" invalid in command line \"%s\"", "-X", "-X -T1"),
              "Parameter \"-X\" invalid in command line \"-X -T1\"");
    EXPECT_EQ(format("Error: No registry branch for touchscreen %d.", 3),
              "Error: No registry branch for touchscreen 3.");
    EXPECT_EQ(format("%d|%i|%d", -42, 7, 0), "-42|7|0");
    EXPECT_EQ(format("%5d|%-5d|%05d", -42, -42, -42), "  -42|-42  |-0042");
    EXPECT_EQ(format("%.3d|%.0u", 7, 0u), "007|0");
    EXPECT_EQ(format("%x|%X|%#x|%#X|%04x", 0xBEEFu, 0xBEEFu, 255u, 255u, 10u),
              "beef|BEEF|0xff|0XFF|000a");
    // "l" is 32 bits wide, as on Windows.
    EXPECT_EQ(format("%ld|%lu|%lx", static_cast<std::int32_t>(-1), static_cast<DWORD>(0xFFFFFFFF),
                     static_cast<DWORD>(0x80000000)),
              "-1|4294967295|80000000");
    EXPECT_EQ(format("%hd|%hu", 0x12345, 0x1FFFF), "9029|65535");
    EXPECT_EQ(format("%I64d|%I64u", -5LL, 1ULL << 40), "-5|1099511627776");
    EXPECT_EQ(format("%c%c%c", 'a', '\xE9', 'z'), "a\xE9z");
    EXPECT_EQ(format("[%3s|%-3s|%.2s|%s]", "a", "b", "xyz", static_cast<const char*>(nullptr)),
              "[  a|b  |xy|(null)]");
    const WCHAR wide[] = {'d', 0xE9, 'j', 0xE0, 0};
    EXPECT_EQ(format("%ls|%S", wide, wide), "d\xE9j\xE0|d\xE9j\xE0");
    EXPECT_EQ(format("100%% %q"), "100% q");
}

TEST_F(ResourcesTest, WsprintfStopsAt1024Bytes) {
    std::string text(2000, 'a');
    std::vector<char> buffer(2100, 'x');
    EXPECT_EQ(wsprintfA(buffer.data(), "%s", text.c_str()), 1023);
    EXPECT_EQ(std::string(buffer.data()), std::string(1023, 'a'));
    EXPECT_EQ(buffer[1024], 'x');
}

} // namespace
