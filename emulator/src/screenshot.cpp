// Screenshots: the desktop framebuffer with the dialogs and message boxes on
// top. Those are window-manager objects that nobody paints into the
// framebuffer, so they are drawn here, as simple framed boxes, onto a copy.
#include "emu/gdi.h"

#include "emu/window_manager.h"
#include "coordinates.h"
#include "gdi_surface.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace emu {

namespace {

using gdi::Canvas;
using gdi::SysColour;

constexpr int FrameWidth = 3;
constexpr int CaptionHeight = 18;
constexpr int GroupTextIndent = 8;
constexpr LONG StaticTypeMask = 0x0F;
constexpr DWORD SsIcon = 0x03;
constexpr UINT NoPrefix = gdi::TextNoPrefix;

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

void Text(Canvas& canvas, const std::string& text, RECT rect, UINT format, bool opaque = false) {
    gdi::TextStyle style;
    style.colour = SysColour(gdi::ColourBtnText);
    style.opaque = opaque;
    style.background = SysColour(gdi::ColourBtnFace);
    gdi::DrawTextOn(canvas, text, rect, format, style);
}

void DrawButton(Canvas& canvas, const WindowView& control) {
    const RECT r = control.rect;
    const DWORD type = control.style & StaticTypeMask;
    if (type == BS_GROUPBOX) {
        const int half = gdi::LineHeight() / 2;
        gdi::DrawRectEdge(canvas, RECT{r.left, r.top + half, r.right, r.bottom}, EDGE_ETCHED,
                          BF_RECT);
        if (!control.text.empty()) {
            RECT label{r.left + GroupTextIndent, r.top, r.right - GroupTextIndent, r.bottom};
            RECT size = label;
            gdi::DrawTextOn(canvas, control.text, size, DT_SINGLELINE | DT_CALCRECT,
                            gdi::TextStyle{});
            label.right = std::min(label.right, size.right);
            Text(canvas, control.text, label, DT_SINGLELINE, true);
        }
        return;
    }
    canvas.Fill(r, SysColour(gdi::ColourBtnFace));
    RECT inner = r;
    if (type == BS_DEFPUSHBUTTON) {
        gdi::DrawRectEdge(canvas, r, BDR_SUNKENOUTER | BDR_SUNKENINNER, BF_RECT);
        canvas.Fill(RECT{r.left, r.top, r.right, r.top + 1}, 0x000000);
        canvas.Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, 0x000000);
        canvas.Fill(RECT{r.left, r.top, r.left + 1, r.bottom}, 0x000000);
        canvas.Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, 0x000000);
        inner = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
    gdi::DrawRectEdge(canvas, inner, EDGE_RAISED, BF_RECT);
    Text(canvas, control.text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// The system icon of a message box (SS_ICON static without an image of the
// program): a plain shape with its sign.
void DrawSystemIcon(Canvas& canvas, const RECT& r, UINT messageBoxType) {
    constexpr UINT IconMask = 0xF0;
    const UINT icon = messageBoxType & IconMask;
    const int size = std::min<int>(r.right - r.left, r.bottom - r.top);
    const double half = size / 2.0;
    std::uint32_t fill = 0xFFFFFF, sign = 0x0000FF;
    const char* text = icon == MB_ICONQUESTION ? "?" : "i";
    if (icon == MB_ICONHAND) {
        fill = 0xFF0000;
        sign = 0xFFFFFF;
        text = "X";
    } else if (icon == MB_ICONEXCLAMATION) {
        fill = 0xFFFF00;
        sign = 0x000000;
        text = "!";
    }
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - half, dy = y + 0.5 - half;
            const bool inside = icon == MB_ICONEXCLAMATION
                                    ? std::abs(dx) <= (y + 1) / 2.0 // a triangle on its base
                                    : dx * dx + dy * dy <= half * half;
            if (inside) {
                canvas.Plot(r.left + x, r.top + y, fill);
            }
        }
    }
    gdi::TextStyle style;
    style.colour = sign;
    style.opaque = false;
    RECT area{r.left, r.top + size / 4, r.left + size, r.top + size};
    gdi::DrawTextOn(canvas, text, area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | NoPrefix, style);
}

void DrawControl(Canvas& canvas, const WindowView& control, const WindowView& dialog) {
    const std::string cls = Upper(control.className);
    if (cls == "BUTTON") {
        DrawButton(canvas, control);
        return;
    }
    if (cls == "EDIT") {
        canvas.Fill(control.rect, SysColour(gdi::ColourWindow));
        gdi::DrawRectEdge(canvas, control.rect, EDGE_SUNKEN, BF_RECT);
        RECT inside{Plus(control.rect.left, 3), Plus(control.rect.top, 2),
                    Minus(control.rect.right, 3), Minus(control.rect.bottom, 2)};
        Text(canvas, control.text, inside, DT_SINGLELINE | NoPrefix);
        return;
    }
    if (cls == "STATIC") {
        const DWORD type = control.style & StaticTypeMask;
        if (type == SsIcon && dialog.kind == WindowKind::MessageBox) {
            DrawSystemIcon(canvas, control.rect, dialog.messageBoxType);
            return;
        }
        if (type > SS_RIGHT) {
            return; // icons, frames and rectangles carry no text
        }
        const UINT align = type == SS_CENTER ? DT_CENTER : type == SS_RIGHT ? DT_RIGHT : 0;
        Text(canvas, control.text, control.rect, DT_WORDBREAK | align);
        return;
    }
    Text(canvas, control.text, control.rect, DT_WORDBREAK);
}

void DrawDialog(Canvas& canvas, const WindowView& dialog) {
    const RECT r = dialog.rect;
    canvas.Fill(r, SysColour(gdi::ColourBtnFace));
    gdi::DrawRectEdge(canvas, r, EDGE_RAISED, BF_RECT);
    const RECT title{r.left + FrameWidth, r.top + FrameWidth, r.right - FrameWidth,
                     std::min<LONG>(r.bottom, r.top + FrameWidth + CaptionHeight)};
    canvas.Fill(title, SysColour(gdi::ColourActiveCaption));
    gdi::TextStyle style;
    style.colour = SysColour(gdi::ColourCaptionText);
    style.opaque = false;
    RECT captionText{title.left + 2, title.top, title.right - 2, title.bottom};
    gdi::DrawTextOn(canvas, dialog.text, captionText, DT_SINGLELINE | DT_VCENTER | NoPrefix, style);
    for (const WindowView& control : ChildrenOf(dialog.hwnd)) {
        if (control.visible) {
            Canvas inside = canvas.ClippedTo(r);
            DrawControl(inside, control, dialog);
        }
    }
}

} // namespace

Image ComposeScreen() {
    gdi::Surface screen = gdi::DesktopSurface();
    Canvas canvas;
    canvas.surface = &screen;
    canvas.clip = RECT{0, 0, screen.width, screen.height};
    for (const WindowView& view : VisibleTopLevelWindows()) {
        if (view.kind == WindowKind::Dialog || view.kind == WindowKind::MessageBox) {
            DrawDialog(canvas, view);
        }
    }
    Image image;
    image.width = screen.width;
    image.height = screen.height;
    image.pixels = std::move(screen.pixels);
    return image;
}

bool WriteScreenshot(const std::string& path) {
    const Image image = ComposeScreen();
    std::vector<png_byte> rgb;
    rgb.reserve(image.pixels.size() * 3);
    for (std::uint32_t pixel : image.pixels) {
        rgb.push_back(static_cast<png_byte>((pixel >> 16) & 0xFF));
        rgb.push_back(static_cast<png_byte>((pixel >> 8) & 0xFF));
        rgb.push_back(static_cast<png_byte>(pixel & 0xFF));
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    const int ok = png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr);
    png_image_free(&png);
    return ok != 0;
}

} // namespace emu
