// The binary formats of compiled resources: the .res file (a sequence of
// 32-bit RESOURCEHEADER records), DLGTEMPLATE and the icon bitmaps. Every read
// is bounds-checked: a malformed .res yields nullopt, never a stray read.
#include "emu/resources.h"

#include <algorithm>

namespace emu {

namespace {

class Reader {
  public:
    Reader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    bool ok() const { return ok_; }
    std::size_t offset() const { return offset_; }
    std::size_t remaining() const { return ok_ ? size_ - offset_ : 0; }

    std::uint16_t Word() {
        if (!Need(2)) {
            return 0;
        }
        auto value = static_cast<std::uint16_t>(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
        offset_ += 2;
        return value;
    }
    std::uint32_t Dword() {
        std::uint32_t low = Word();
        std::uint32_t high = Word();
        return low | (high << 16);
    }
    std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
    std::int32_t Long() { return static_cast<std::int32_t>(Dword()); }
    std::uint8_t Byte() {
        if (!Need(1)) {
            return 0;
        }
        return bytes_[offset_++];
    }
    void Skip(std::size_t count) {
        if (Need(count)) {
            offset_ += count;
        }
    }
    // Alignment counts from the start of the buffer, which is where the
    // formats anchor it (the .res file, the dialog template).
    void AlignTo(std::size_t alignment) {
        std::size_t padding = (alignment - offset_ % alignment) % alignment;
        if (padding > remaining()) {
            // Trailing padding may be missing after the last record.
            offset_ = size_;
            return;
        }
        offset_ += padding;
    }
    // A NUL-terminated UTF-16 string.
    std::vector<std::uint16_t> WideString() {
        std::vector<std::uint16_t> text;
        for (;;) {
            std::uint16_t unit = Word();
            if (!ok_ || unit == 0) {
                return text;
            }
            text.push_back(unit);
        }
    }
    // A name-or-ordinal field: 0xFFFF followed by an ordinal, or a string.
    ResourceName NameOrOrdinal() {
        ResourceName name;
        std::uint16_t first = Peek();
        if (first == 0xFFFF) {
            Word();
            name.ordinal = Word();
            return name;
        }
        name.isOrdinal = false;
        name.name = ToWindows1252(WideString());
        return name;
    }

  private:
    bool Need(std::size_t count) {
        if (!ok_ || size_ - offset_ < count) {
            ok_ = false;
            return false;
        }
        return true;
    }
    std::uint16_t Peek() {
        if (!ok_ || size_ - offset_ < 2) {
            ok_ = false;
            return 0;
        }
        return static_cast<std::uint16_t>(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
    }

    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t offset_ = 0;
    bool ok_ = true;
};

// The menu, class and title fields of a dialog template: 0x0000 (none) reads
// as an empty string, an ordinal as "#n".
std::string TemplateField(Reader& reader) {
    ResourceName field = reader.NameOrOrdinal();
    if (field.isOrdinal) {
        return "#" + std::to_string(field.ordinal);
    }
    return field.name;
}

std::string ControlClass(Reader& reader) {
    ResourceName field = reader.NameOrOrdinal();
    if (!field.isOrdinal) {
        return field.name;
    }
    switch (field.ordinal) {
    case 0x80: return "BUTTON";
    case 0x81: return "EDIT";
    case 0x82: return "STATIC";
    case 0x83: return "LISTBOX";
    case 0x84: return "SCROLLBAR";
    case 0x85: return "COMBOBOX";
    default: return "#" + std::to_string(field.ordinal);
    }
}

constexpr std::uint32_t BiRgb = 0;

} // namespace

std::optional<std::vector<RawResource>> ParseResFile(const std::uint8_t* bytes, std::size_t size) {
    std::vector<RawResource> resources;
    Reader reader(bytes, size);
    while (reader.remaining() > 0) {
        std::size_t start = reader.offset();
        std::uint32_t dataSize = reader.Dword();
        std::uint32_t headerSize = reader.Dword();
        RawResource resource;
        resource.type = reader.NameOrOrdinal();
        resource.name = reader.NameOrOrdinal();
        reader.AlignTo(4);
        reader.Dword(); // DataVersion
        reader.Word();  // MemoryFlags
        resource.language = reader.Word();
        reader.Dword(); // Version
        reader.Dword(); // Characteristics
        if (!reader.ok() || headerSize < reader.offset() - start ||
            headerSize - (reader.offset() - start) > reader.remaining()) {
            return std::nullopt;
        }
        // The header may be longer than the fields read; the data starts
        // where HeaderSize says.
        reader.Skip(headerSize - (reader.offset() - start));
        if (dataSize > reader.remaining()) {
            return std::nullopt;
        }
        resource.data.assign(bytes + reader.offset(), bytes + reader.offset() + dataSize);
        reader.Skip(dataSize);
        reader.AlignTo(4);
        resources.push_back(std::move(resource));
    }
    return resources;
}

std::optional<DialogTemplate> DecodeDialogTemplate(const std::vector<std::uint8_t>& data) {
    Reader reader(data.data(), data.size());
    DialogTemplate dialog;
    dialog.style = reader.Dword();
    // DLGTEMPLATEEX starts with dlgVer 1 and signature 0xFFFF.
    if ((dialog.style & 0xFFFF) == 1 && (dialog.style >> 16) == 0xFFFF) {
        return std::nullopt;
    }
    dialog.exStyle = reader.Dword();
    std::uint16_t itemCount = reader.Word();
    dialog.x = reader.Short();
    dialog.y = reader.Short();
    dialog.cx = reader.Short();
    dialog.cy = reader.Short();
    dialog.menu = TemplateField(reader);
    dialog.className = TemplateField(reader);
    dialog.caption = TemplateField(reader);
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Word();
        dialog.faceName = ToWindows1252(reader.WideString());
    }
    for (std::uint16_t i = 0; i < itemCount && reader.ok(); ++i) {
        reader.AlignTo(4);
        DialogItemTemplate item;
        item.style = reader.Dword();
        item.exStyle = reader.Dword();
        item.x = reader.Short();
        item.y = reader.Short();
        item.cx = reader.Short();
        item.cy = reader.Short();
        item.id = reader.Short();
        item.className = ControlClass(reader);
        item.text = TemplateField(reader);
        // Creation data: a byte count, then the bytes.
        std::uint16_t extra = reader.Word();
        reader.Skip(extra);
        dialog.items.push_back(std::move(item));
    }
    if (!reader.ok()) {
        return std::nullopt;
    }
    return dialog;
}

std::optional<IconImage> DecodeIconImage(const std::vector<std::uint8_t>& data) {
    static constexpr std::uint8_t PngSignature[4] = {0x89, 'P', 'N', 'G'};
    if (data.size() >= 4 && std::equal(PngSignature, PngSignature + 4, data.begin())) {
        return std::nullopt;
    }
    Reader reader(data.data(), data.size());
    std::uint32_t headerSize = reader.Dword();
    std::int32_t width = reader.Long();
    std::int32_t doubleHeight = reader.Long();
    reader.Word(); // planes
    std::uint16_t bitCount = reader.Word();
    std::uint32_t compression = reader.Dword();
    reader.Skip(12); // image size, resolution
    std::uint32_t coloursUsed = reader.Dword();
    reader.Dword(); // important colours
    // An icon bitmap is twice as high as the icon: the XOR image, then the
    // AND mask.
    if (!reader.ok() || headerSize < 40 || width <= 0 || width > 256 || doubleHeight <= 0 ||
        doubleHeight > 512 || doubleHeight % 2 != 0 || compression != BiRgb) {
        return std::nullopt;
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
        return std::nullopt;
    }
    reader.Skip(headerSize - 40);
    std::uint32_t paletteSize = 0;
    if (bitCount <= 8) {
        paletteSize = coloursUsed != 0 ? coloursUsed : (1u << bitCount);
        if (paletteSize > 256) {
            return std::nullopt;
        }
    }
    std::vector<std::uint32_t> palette(paletteSize);
    for (auto& colour : palette) {
        std::uint8_t blue = reader.Byte();
        std::uint8_t green = reader.Byte();
        std::uint8_t red = reader.Byte();
        reader.Byte();
        colour = (std::uint32_t{red} << 16) | (std::uint32_t{green} << 8) | blue;
    }
    int height = doubleHeight / 2;
    std::size_t xorStride = (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
    std::size_t andStride = (static_cast<std::size_t>(width) + 31) / 32 * 4;
    std::size_t xorStart = reader.offset();
    std::size_t andStart = xorStart + xorStride * static_cast<std::size_t>(height);
    if (!reader.ok() || andStart + andStride * static_cast<std::size_t>(height) > data.size()) {
        return std::nullopt;
    }

    IconImage image;
    image.width = width;
    image.height = height;
    image.bitsPerPixel = bitCount;
    image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    image.transparent.resize(image.pixels.size());
    for (int y = 0; y < height; ++y) {
        // Bitmaps are stored bottom-up.
        std::size_t stored = static_cast<std::size_t>(height - 1 - y);
        const std::uint8_t* row = data.data() + xorStart + stored * xorStride;
        const std::uint8_t* mask = data.data() + andStart + stored * andStride;
        for (int x = 0; x < width; ++x) {
            auto ux = static_cast<std::size_t>(x);
            std::uint32_t colour = 0;
            if (bitCount <= 8) {
                std::size_t bit = ux * bitCount;
                unsigned shift = static_cast<unsigned>(8 - bitCount - bit % 8);
                std::uint32_t index = (row[bit / 8] >> shift) & ((1u << bitCount) - 1);
                // An index past a short palette reads as black.
                colour = index < palette.size() ? palette[index] : 0;
            } else {
                const std::uint8_t* pixel = row + ux * (bitCount / 8);
                colour =
                    (std::uint32_t{pixel[2]} << 16) | (std::uint32_t{pixel[1]} << 8) | pixel[0];
            }
            std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + ux;
            image.pixels[at] = colour;
            image.transparent[at] = ((mask[ux / 8] >> (7 - ux % 8)) & 1) != 0;
        }
    }
    return image;
}

} // namespace emu
