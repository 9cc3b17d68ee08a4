// The system's predefined icons, as LoadIconA(NULL, IDI_...) gives them and
// message boxes show them: plain 32 x 32 pictures of the classic look (the
// application window, the red stop sign, the question, the yellow warning
// triangle, the information sign), drawn here rather than read from a file.
#include "emu/resources.h"
#include "sdk.h"

#include <array>
#include <cmath>

namespace emu {

namespace {

constexpr int Size = 32;
constexpr std::uintptr_t FirstHandle = 0x7F8000;
constexpr std::uintptr_t HandleStep = 4;

constexpr std::uint32_t Black = 0x000000, White = 0xFFFFFF, Red = 0xFF0000, Blue = 0x0000FF,
                        Yellow = 0xFFFF00, Navy = 0x000080, Grey = 0xC0C0C0;

// Signs on the icons, 5 x 8, drawn three times their size.
using Glyph = std::array<const char*, 8>;
constexpr Glyph Bang = {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#..", "....."};
constexpr Glyph Query = {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#..", "....."};
constexpr Glyph Info = {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###.", "....."};
constexpr Glyph Cross = {"#...#", ".#.#.", "..#..", ".#.#.", "#...#", ".....", ".....", "....."};
constexpr int Scale = 3;

IconImage Blank() {
    IconImage image;
    image.width = Size;
    image.height = Size;
    image.bitsPerPixel = 4;
    image.pixels.assign(Size * Size, Black);
    image.transparent.assign(Size * Size, true);
    return image;
}

void Put(IconImage& image, int x, int y, std::uint32_t rgb) {
    if (x >= 0 && y >= 0 && x < Size && y < Size) {
        auto at = static_cast<std::size_t>(y * Size + x);
        image.pixels[at] = rgb;
        image.transparent[at] = false;
    }
}

void Sign(IconImage& image, const Glyph& glyph, int left, int top, std::uint32_t rgb) {
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 5; ++col) {
            if (glyph[static_cast<std::size_t>(row)][col] != '#') {
                continue;
            }
            for (int dy = 0; dy < Scale; ++dy) {
                for (int dx = 0; dx < Scale; ++dx) {
                    Put(image, left + col * Scale + dx, top + row * Scale + dy, rgb);
                }
            }
        }
    }
}

// A disc with a dark rim, the sign in its middle.
IconImage Disc(std::uint32_t fill, const Glyph& glyph, std::uint32_t sign) {
    IconImage image = Blank();
    constexpr double Centre = Size / 2.0, Radius = 15.0;
    for (int y = 0; y < Size; ++y) {
        for (int x = 0; x < Size; ++x) {
            double d = std::hypot(x + 0.5 - Centre, y + 0.5 - Centre);
            if (d <= Radius) {
                Put(image, x, y, d > Radius - 1.0 ? Black : fill);
            }
        }
    }
    Sign(image, glyph, (Size - 5 * Scale) / 2, (Size - 8 * Scale) / 2 + 2, sign);
    return image;
}

// A triangle on its base, outlined, the sign in its lower part.
IconImage Triangle() {
    IconImage image = Blank();
    for (int y = 1; y < Size - 1; ++y) {
        double half = (y - 1) / 2.0 + 0.5;
        for (int x = 0; x < Size; ++x) {
            double dx = std::abs(x + 0.5 - Size / 2.0);
            if (dx <= half) {
                Put(image, x, y, dx > half - 1.0 || y == Size - 2 ? Black : Yellow);
            }
        }
    }
    Sign(image, Bang, (Size - 5 * Scale) / 2, 7, Black);
    return image;
}

// A window: a frame, a title bar and a white client area.
IconImage Application() {
    IconImage image = Blank();
    for (int y = 3; y < Size - 3; ++y) {
        for (int x = 1; x < Size - 1; ++x) {
            bool frame = x == 1 || x == Size - 2 || y == 3 || y == Size - 4;
            Put(image, x, y, frame ? Black : y < 9 ? Navy : White);
        }
    }
    Put(image, Size - 5, 5, Grey);
    return image;
}

const std::array<IconImage, SystemIconLast - SystemIconFirst + 1>& Images() {
    static const std::array<IconImage, SystemIconLast - SystemIconFirst + 1> images = {
        Application(), Disc(Red, Cross, White), Disc(White, Query, Blue),
        Triangle(),    Disc(White, Info, Blue),
    };
    static_assert(HandId - SystemIconFirst == 1 && QuestionId - SystemIconFirst == 2 &&
                  ExclamationId - SystemIconFirst == 3 && AsteriskId - SystemIconFirst == 4);
    return images;
}

} // namespace

HICON SystemIcon(LPCSTR name) {
    if (!IS_INTRESOURCE(name)) {
        return nullptr;
    }
    auto id = static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name));
    if (id < SystemIconFirst || id > SystemIconLast) {
        return nullptr;
    }
    return reinterpret_cast<HICON>(FirstHandle + (id - SystemIconFirst) * HandleStep);
}

const IconImage* SystemIconImage(HICON icon) {
    auto value = reinterpret_cast<std::uintptr_t>(icon);
    if (value < FirstHandle || (value - FirstHandle) % HandleStep != 0) {
        return nullptr;
    }
    std::size_t index = (value - FirstHandle) / HandleStep;
    return index < Images().size() ? &Images()[index] : nullptr;
}

} // namespace emu
