// Text on the emulated desktop: one TrueType face standing in for the system
// font, rendered without anti-aliasing so that every text pixel has exactly
// the text colour.
#include "coordinates.h"
#include "gdi32/gdi_private.h"

#include "emu/resources.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>

namespace emu::gdi {

namespace {

// The 8-point system font at 96 dpi has a 13-pixel cell; the face at 11
// pixels per em gives 10 pixels above the baseline and 3 below.
constexpr int PixelsPerEm = 11;
constexpr int FallbackAdvance = 6;

struct Glyph {
    int advance = 0;
    int left = 0; // from the pen position to the first column
    int top = 0;  // from the baseline up to the first row
    int width = 0;
    int rows = 0;
    std::vector<bool> bits;
};

struct Font {
    bool tried = false;
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    int ascent = 10;
    int height = 13;
    std::map<std::uint32_t, Glyph> glyphs;
};

Font& TheFont() {
    static Font font;
    if (font.tried) {
        return font;
    }
    font.tried = true;
    if (FT_Init_FreeType(&font.library) != 0) {
        font.library = nullptr;
        return font;
    }
    if (FT_New_Face(font.library, VINTOQ_FONT_FILE, 0, &font.face) != 0 ||
        FT_Set_Pixel_Sizes(font.face, 0, PixelsPerEm) != 0) {
        font.face = nullptr;
        return font;
    }
    const double scale = static_cast<double>(PixelsPerEm) / font.face->units_per_EM;
    font.ascent = static_cast<int>(font.face->ascender * scale + 0.5);
    const int descent = static_cast<int>(-font.face->descender * scale + 0.5);
    font.height = font.ascent + descent;
    return font;
}

const Glyph& GlyphOf(std::uint32_t code) {
    Font& font = TheFont();
    auto found = font.glyphs.find(code);
    if (found != font.glyphs.end()) {
        return found->second;
    }
    Glyph glyph;
    glyph.advance = FallbackAdvance;
    if (font.face != nullptr &&
        FT_Load_Char(font.face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) == 0) {
        const FT_GlyphSlot slot = font.face->glyph;
        glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.width = static_cast<int>(slot->bitmap.width);
        glyph.rows = static_cast<int>(slot->bitmap.rows);
        glyph.bits.resize(static_cast<std::size_t>(glyph.width * glyph.rows));
        for (int row = 0; row < glyph.rows; ++row) {
            const unsigned char* line = slot->bitmap.buffer + row * slot->bitmap.pitch;
            for (int col = 0; col < glyph.width; ++col) {
                const bool set = slot->bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                                     ? (line[col / 8] & (0x80 >> (col % 8))) != 0
                                     : line[col] >= 128;
                glyph.bits[static_cast<std::size_t>(row * glyph.width + col)] = set;
            }
        }
    }
    return font.glyphs.emplace(code, std::move(glyph)).first->second;
}

// Unicode code point of a Windows-1252 byte.
std::uint32_t CodePoint(char c) {
    const std::string utf8 = Utf8FromWindows1252(std::string(1, c));
    const auto b = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(utf8[i]));
    };
    if (utf8.size() == 1) {
        return b(0);
    }
    if (utf8.size() == 2) {
        return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    }
    return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
}

struct Char {
    std::uint32_t code = 0;
    bool underline = false;
};
using Line = std::vector<Char>;

int WidthOf(const Line& line) {
    int width = 0;
    for (const Char& c : line) {
        width += GlyphOf(c.code).advance;
    }
    return width;
}

// Mnemonic prefixes as DrawText handles them: "&x" underlines x, "&&" is "&".
Line Characters(std::string_view text, bool prefixes) {
    Line out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (prefixes && text[i] == '&') {
            if (i + 1 >= text.size()) {
                break;
            }
            ++i;
            out.push_back({CodePoint(text[i]), text[i] != '&'});
            continue;
        }
        out.push_back({CodePoint(text[i]), false});
    }
    return out;
}

void WrapInto(const Line& paragraph, int width, std::vector<Line>& lines) {
    Line current;
    std::size_t i = 0;
    while (i < paragraph.size()) {
        // A word with the blanks before it.
        std::size_t end = i;
        while (end < paragraph.size() && paragraph[end].code == ' ') {
            ++end;
        }
        while (end < paragraph.size() && paragraph[end].code != ' ') {
            ++end;
        }
        Line word(paragraph.begin() + static_cast<std::ptrdiff_t>(i),
                  paragraph.begin() + static_cast<std::ptrdiff_t>(end));
        Line joined = current;
        joined.insert(joined.end(), word.begin(), word.end());
        if (!current.empty() && WidthOf(joined) > width) {
            lines.push_back(current);
            // Blanks at a break vanish.
            auto first =
                std::find_if(word.begin(), word.end(), [](const Char& c) { return c.code != ' '; });
            current.assign(first, word.end());
        } else {
            current = std::move(joined);
        }
        i = end;
    }
    lines.push_back(current);
}

std::vector<Line> Layout(std::string_view text, UINT format, int width) {
    const Line all = Characters(text, (format & TextNoPrefix) == 0);
    std::vector<Line> lines;
    if (format & DT_SINGLELINE) {
        lines.push_back(all);
        return lines;
    }
    Line paragraph;
    auto flush = [&] {
        if (format & DT_WORDBREAK) {
            WrapInto(paragraph, width, lines);
        } else {
            lines.push_back(paragraph);
        }
        paragraph.clear();
    };
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].code == '\r' || all[i].code == '\n') {
            if (all[i].code == '\r' && i + 1 < all.size() && all[i + 1].code == '\n') {
                ++i;
            }
            flush();
            continue;
        }
        paragraph.push_back(all[i]);
    }
    flush();
    return lines;
}

void DrawLine(Canvas& canvas, const Line& line, int x, int y, const TextStyle& style) {
    const Font& font = TheFont();
    if (style.opaque) {
        canvas.Fill(RECT{x, y, x + WidthOf(line), y + font.height}, style.background);
    }
    const int baseline = y + font.ascent;
    for (const Char& c : line) {
        const Glyph& glyph = GlyphOf(c.code);
        for (int row = 0; row < glyph.rows; ++row) {
            for (int col = 0; col < glyph.width; ++col) {
                if (glyph.bits[static_cast<std::size_t>(row * glyph.width + col)]) {
                    canvas.Plot(x + glyph.left + col, baseline - glyph.top + row, style.colour);
                }
            }
        }
        if (c.underline) {
            canvas.Fill(RECT{x, baseline + 1, x + glyph.advance, baseline + 2}, style.colour);
        }
        x += glyph.advance;
    }
}

} // namespace

int LineHeight() {
    return TheFont().height;
}

int DrawTextOn(Canvas& canvas, std::string_view text, RECT& rect, UINT format,
               const TextStyle& style) {
    const int lineHeight = LineHeight();
    const std::vector<Line> lines = Layout(text, format, Minus(rect.right, rect.left));
    const int height = lineHeight * static_cast<int>(lines.size());

    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const Line& line : lines) {
            widest = std::max(widest, WidthOf(line));
        }
        rect.right = Plus(rect.left, widest);
        rect.bottom = Plus(rect.top, height);
        return height;
    }

    // Centring is done in 64 bits: a rectangle may lie anywhere in the 32-bit
    // range, and the sum of its edges need not fit it.
    int y = rect.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) {
            y = static_cast<int>(rect.top +
                                 (std::int64_t{rect.bottom} - rect.top - lineHeight) / 2);
        } else if (format & DT_BOTTOM) {
            y = Minus(rect.bottom, lineHeight);
        }
    }
    Canvas target = (format & DT_NOCLIP) ? canvas : canvas.ClippedTo(rect);
    for (const Line& line : lines) {
        const int width = WidthOf(line);
        int x = rect.left;
        if (format & DT_CENTER) {
            x = static_cast<int>((std::int64_t{rect.left} + rect.right - width) / 2);
        } else if (format & DT_RIGHT) {
            x = Minus(rect.right, width);
        }
        DrawLine(target, line, x, y, style);
        y = Plus(y, lineHeight);
    }
    // With DT_VCENTER or DT_BOTTOM Windows returns where the text ends below
    // the rectangle's top, not its height.
    return Minus(y, rect.top);
}

} // namespace emu::gdi
