// Screenshots: the desktop framebuffer with the dialogs and message boxes on
// top. Those are window-manager objects that nobody paints into the
// framebuffer, so they are drawn here, as simple framed boxes, onto a copy.
#include "emu/gdi.h"

#include "emu/resources.h"
#include "emu/window_manager.h"
#include "coordinates.h"
#include "gdi32/gdi_private.h"
#include "user32/win.h"
#include "sdk.h"

#include <png.h>

#include <algorithm>
#include <cmath>

namespace emu {

namespace {

using gdi::Canvas;
using wm::SysColour;

constexpr int FrameWidth = 3;
constexpr int CaptionHeight = 18;
constexpr int GroupTextIndent = 8;
constexpr LONG StaticTypeMask = 0x0F;

void Text(Canvas& canvas, const std::string& text, RECT rect, UINT format, bool opaque = false) {
    gdi::TextStyle style;
    style.colour = SysColour(wm::ColourBtnText);
    style.opaque = opaque;
    style.background = SysColour(wm::ColourBtnFace);
    gdi::DrawTextOn(canvas, text, rect, format, style);
}

void DrawButton(Canvas& canvas, const WindowView& control) {
    const RECT r = control.rect;
    const DWORD type = control.style & StaticTypeMask;
    if (type == BS_GROUPBOX) {
        const int half = gdi::LineHeight() / 2;
        wm::DrawRectEdge(canvas, RECT{r.left, r.top + half, r.right, r.bottom}, EDGE_ETCHED,
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
    canvas.Fill(r, SysColour(wm::ColourBtnFace));
    RECT inner = r;
    if (type == BS_DEFPUSHBUTTON) {
        wm::DrawRectEdge(canvas, r, BDR_SUNKENOUTER | BDR_SUNKENINNER, BF_RECT);
        canvas.Fill(RECT{r.left, r.top, r.right, r.top + 1}, 0x000000);
        canvas.Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, 0x000000);
        canvas.Fill(RECT{r.left, r.top, r.left + 1, r.bottom}, 0x000000);
        canvas.Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, 0x000000);
        inner = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
    wm::DrawRectEdge(canvas, inner, EDGE_RAISED, BF_RECT);
    Text(canvas, control.text, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// An icon control shows its icon (STM_SETICON) at its top left corner, as
// DrawIcon draws it.
void DrawIconControl(Canvas& canvas, const WindowView& control) {
    const IconImage* icon = IconFromHandle(control.icon);
    if (icon == nullptr || icon->width <= 0 || icon->height <= 0) {
        return;
    }
    for (int y = 0; y < icon->height; ++y) {
        for (int x = 0; x < icon->width; ++x) {
            const auto at = static_cast<std::size_t>(y * icon->width + x);
            if (!icon->transparent[at]) {
                canvas.Plot(Plus(control.rect.left, x), Plus(control.rect.top, y),
                            icon->pixels[at] & 0xFFFFFF);
            }
        }
    }
}

void DrawControl(Canvas& canvas, const WindowView& control) {
    if (control.control == ControlKind::Button) {
        DrawButton(canvas, control);
        return;
    }
    if (control.control == ControlKind::Edit) {
        canvas.Fill(control.rect, SysColour(wm::ColourWindow));
        wm::DrawRectEdge(canvas, control.rect, EDGE_SUNKEN, BF_RECT);
        RECT inside{Plus(control.rect.left, 3), Plus(control.rect.top, 2),
                    Minus(control.rect.right, 3), Minus(control.rect.bottom, 2)};
        Text(canvas, control.text, inside, DT_SINGLELINE | TextNoPrefix);
        return;
    }
    if (control.control == ControlKind::Static) {
        const DWORD type = control.style & StaticTypeMask;
        if (type == StaticIcon) {
            DrawIconControl(canvas, control);
            return;
        }
        if (type > SS_RIGHT) {
            return; // frames and rectangles carry no text
        }
        const UINT align = type == SS_CENTER ? DT_CENTER : type == SS_RIGHT ? DT_RIGHT : 0;
        const UINT prefix = (control.style & StaticNoPrefix) != 0 ? TextNoPrefix : 0;
        Text(canvas, control.text, control.rect, DT_WORDBREAK | align | prefix);
        return;
    }
    Text(canvas, control.text, control.rect, DT_WORDBREAK);
}

void DrawDialog(Canvas& canvas, const WindowView& dialog) {
    const RECT r = dialog.rect;
    canvas.Fill(r, SysColour(wm::ColourBtnFace));
    wm::DrawRectEdge(canvas, r, EDGE_RAISED, BF_RECT);
    const RECT title{r.left + FrameWidth, r.top + FrameWidth, r.right - FrameWidth,
                     std::min<LONG>(r.bottom, r.top + FrameWidth + CaptionHeight)};
    canvas.Fill(title, SysColour(wm::ColourActiveCaption));
    gdi::TextStyle style;
    style.colour = SysColour(wm::ColourCaptionText);
    style.opaque = false;
    RECT captionText{title.left + 2, title.top, title.right - 2, title.bottom};
    gdi::DrawTextOn(canvas, dialog.text, captionText, DT_SINGLELINE | DT_VCENTER | TextNoPrefix,
                    style);
    for (const WindowView& control : ChildrenOf(dialog.hwnd)) {
        if (control.visible) {
            Canvas inside = canvas.ClippedTo(r);
            DrawControl(inside, control);
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
