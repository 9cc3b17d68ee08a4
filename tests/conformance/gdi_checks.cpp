// GDI on memory device contexts: stock objects, pens and brushes, selection
// and the defaults of a new DC, bitmaps (colour and monochrome), BitBlt,
// the shapes and lines with their documented extents, pixels, text colours
// and modes, DrawEdge, DrawTextA, DrawIcon, FillRect and FrameRect.
#include "conformance.h"

#include <cstring>

namespace conformance {

namespace {

constexpr COLORREF ClrInvalid = 0xFFFFFFFF;
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);
constexpr UINT BfAdjust = 0x2000; // BF_ADJUST

// A memory DC with a colour bitmap of the screen's format, filled white.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    Canvas(int width, int height) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        previous = SelectObject(dc, bitmap);
        RECT all{0, 0, width, height};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
};

std::string Colour(COLORREF colour) {
    return colour == ClrInvalid ? "CLR_INVALID" : Text("%06lX", static_cast<unsigned long>(colour));
}

// One row of pixels as '#' (black), '.' (white) and '?' (anything else).
std::string Row(HDC dc, int y, int from, int to) {
    std::string row;
    for (int x = from; x < to; ++x) {
        COLORREF c = GetPixel(dc, x, y);
        row += c == Black ? '#' : c == White ? '.' : '?';
    }
    return row;
}

// The first `rows` rows of pixels, columns 0 to width - 1, joined by '|'.
std::string Rows(HDC dc, int rows, int width) {
    std::string text = Row(dc, 0, 0, width);
    for (int y = 1; y < rows; ++y) {
        text += "|" + Row(dc, y, 0, width);
    }
    return text;
}

void CheckStockObjects() {
    HGDIOBJ brush = GetStockObject(WHITE_BRUSH);
    HGDIOBJ same = GetStockObject(WHITE_BRUSH);
    HGDIOBJ none = GetStockObject(1000);
    Report("gdi.stock", "GetStockObject(WHITE_BRUSH) twice, (1000)",
           Text("brush=%s same=%d invalid=%s", brush ? "valid" : "NULL", brush == same,
                none ? "valid" : "NULL"),
           "brush=valid same=1 invalid=NULL");
    Report("gdi.stock.delete", "DeleteObject(stock pen)",
           Text("%d", DeleteObject(GetStockObject(BLACK_PEN))), "1");
}

void CheckDcDefaults() {
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    Report("gdi.dc.defaults", "CreateCompatibleDC(NULL), SelectObject(pen), SelectObject(brush)",
           Text("pen=%s brush=%s bkmode=%d text=%s bk=%s",
                oldPen == GetStockObject(BLACK_PEN) ? "BLACK_PEN" : "other",
                oldBrush == GetStockObject(WHITE_BRUSH) ? "WHITE_BRUSH" : "other", GetBkMode(dc),
                Colour(SetTextColor(dc, RGB(9, 9, 9))).c_str(),
                Colour(SetBkColor(dc, RGB(8, 8, 8))).c_str()),
           "pen=BLACK_PEN brush=WHITE_BRUSH bkmode=2 text=000000 bk=FFFFFF");
    Report("gdi.selectobject.back", "SelectObject(old pen), SelectObject(old brush)",
           Text("pen=%s brush=%s", SelectObject(dc, oldPen) == pen ? "ours" : "other",
                SelectObject(dc, oldBrush) == brush ? "ours" : "other"),
           "pen=ours brush=ours");
    BOOL deleted = DeleteObject(pen);
    Report("gdi.deleteobject", "DeleteObject(pen) twice", Text("%d %d", deleted, DeleteObject(pen)),
           "1 0");
    DeleteObject(brush);

    int previous = SetBkMode(dc, TRANSPARENT);
    int bad = SetBkMode(dc, 7);
    Report("gdi.setbkmode", "SetBkMode(TRANSPARENT), SetBkMode(7), GetBkMode",
           Text("%d %d %d", previous, bad, GetBkMode(dc)), "2 0 1");
    BOOL deletedDc = DeleteDC(dc);
    Report("gdi.deletedc", "DeleteDC twice", Text("%d %d", deletedDc, DeleteDC(dc)), "1 0");
    HDC gone = reinterpret_cast<HDC>(static_cast<ULONG_PTR>(0x7FFF0000));
    Report("gdi.invalid-dc", "SetTextColor, SetBkColor, GetPixel on an invalid DC",
           Text("%s %s %s", Colour(SetTextColor(gone, 0)).c_str(),
                Colour(SetBkColor(gone, 0)).c_str(), Colour(GetPixel(gone, 0, 0)).c_str()),
           "CLR_INVALID CLR_INVALID CLR_INVALID");
}

void CheckPixels() {
    Canvas canvas(8, 8);
    COLORREF set = SetPixel(canvas.dc, 2, 3, RGB(10, 20, 30));
    Report("gdi.pixel", "SetPixel(2,3, 0x1E140A), GetPixel(2,3), GetPixel(8,0), GetPixel(-1,0)",
           Text("set=%s get=%s beyond=%s before=%s", Colour(set).c_str(),
                Colour(GetPixel(canvas.dc, 2, 3)).c_str(),
                Colour(GetPixel(canvas.dc, 8, 0)).c_str(),
                Colour(GetPixel(canvas.dc, -1, 0)).c_str()),
           "set=1E140A get=1E140A beyond=CLR_INVALID before=CLR_INVALID");
}

void CheckMonochrome() {
    HDC dc = CreateCompatibleDC(nullptr);
    // A bitmap compatible with a new memory DC takes its 1 x 1 monochrome
    // bitmap's format.
    HBITMAP mono = CreateCompatibleBitmap(dc, 4, 4);
    HGDIOBJ previous = SelectObject(dc, mono);
    COLORREF dark = SetPixel(dc, 0, 0, RGB(200, 0, 0));
    COLORREF light = SetPixel(dc, 1, 0, RGB(250, 250, 250));
    Report("gdi.monochrome", "CreateCompatibleBitmap(new memory DC), SetPixel dark red, near white",
           Text("dark=%s light=%s", Colour(dark).c_str(), Colour(light).c_str()),
           "dark=000000 light=FFFFFF");

    // Monochrome to colour: 0 bits take the destination's text colour, 1 bits
    // its background colour.
    Canvas canvas(4, 4);
    SetTextColor(canvas.dc, RGB(0, 0, 255));
    SetBkColor(canvas.dc, RGB(0, 255, 0));
    BOOL ok = BitBlt(canvas.dc, 0, 0, 2, 1, dc, 0, 0, SRCCOPY);
    Report("gdi.bitblt.mono-to-colour", "BitBlt(monochrome -> colour, SRCCOPY)",
           Text("ok=%d black-bit=%s white-bit=%s", ok, Colour(GetPixel(canvas.dc, 0, 0)).c_str(),
                Colour(GetPixel(canvas.dc, 1, 0)).c_str()),
           "ok=1 black-bit=FF0000 white-bit=00FF00");

    // Colour to monochrome: the source's background colour becomes white,
    // everything else black.
    SetPixel(canvas.dc, 2, 2, RGB(1, 2, 3));
    SetPixel(canvas.dc, 3, 2, RGB(7, 7, 7));
    SetBkColor(canvas.dc, RGB(1, 2, 3));
    BitBlt(dc, 0, 0, 2, 1, canvas.dc, 2, 2, SRCCOPY);
    Report("gdi.bitblt.colour-to-mono", "BitBlt(colour -> monochrome, SRCCOPY)",
           Text("background=%s other=%s", Colour(GetPixel(dc, 0, 0)).c_str(),
                Colour(GetPixel(dc, 1, 0)).c_str()),
           "background=FFFFFF other=000000");
    SelectObject(dc, previous);
    DeleteObject(mono);
    DeleteDC(dc);

    HDC screen = GetDC(nullptr);
    HBITMAP empty = CreateCompatibleBitmap(screen, 0, 0);
    ReleaseDC(nullptr, screen);
    Report("gdi.bitmap.empty", "CreateCompatibleBitmap(screen, 0, 0)",
           Text("%s", empty != nullptr ? "valid" : "NULL"), "valid");
    DeleteObject(empty);
}

void CheckBitBlt() {
    Canvas from(4, 4);
    Canvas to(4, 4);
    SetPixel(from.dc, 1, 1, RGB(11, 22, 33));
    SetPixel(from.dc, 2, 1, RGB(44, 55, 66));
    BOOL ok = BitBlt(to.dc, 0, 0, 2, 1, from.dc, 1, 1, SRCCOPY);
    Report("gdi.bitblt.copy", "BitBlt(2x1 from 1,1 to 0,0, SRCCOPY)",
           Text("ok=%d %s %s %s", ok, Colour(GetPixel(to.dc, 0, 0)).c_str(),
                Colour(GetPixel(to.dc, 1, 0)).c_str(), Colour(GetPixel(to.dc, 2, 0)).c_str()),
           "ok=1 21160B 42372C FFFFFF");
}

void CheckShapes() {
    Canvas canvas(8, 8);
    SelectObject(canvas.dc, GetStockObject(BLACK_PEN));
    SelectObject(canvas.dc, GetStockObject(WHITE_BRUSH));
    BOOL ok = Rectangle(canvas.dc, 1, 1, 6, 5);
    // The right and bottom edges are not part of the rectangle.
    Report("gdi.rectangle", "Rectangle(1,1,6,5), rows 0 to 5, columns 0 to 7",
           Text("ok=%d %s", ok, Rows(canvas.dc, 6, 8).c_str()),
           "ok=1 ........|.#####..|.#...#..|.#...#..|.#####..|........");

    Canvas round(12, 12);
    SelectObject(round.dc, GetStockObject(BLACK_PEN));
    SelectObject(round.dc, GetStockObject(BLACK_BRUSH));
    ok = Ellipse(round.dc, 2, 2, 10, 10);
    Report("gdi.ellipse", "Ellipse(2,2,10,10) filled black: centre, corners of the box, beyond",
           Text("ok=%d centre=%s corner=%s right=%s bottom=%s", ok,
                Colour(GetPixel(round.dc, 6, 6)).c_str(), Colour(GetPixel(round.dc, 2, 2)).c_str(),
                Colour(GetPixel(round.dc, 10, 6)).c_str(),
                Colour(GetPixel(round.dc, 6, 10)).c_str()),
           "ok=1 centre=000000 corner=FFFFFF right=FFFFFF bottom=FFFFFF");
}

void CheckLines() {
    Canvas canvas(8, 3);
    SelectObject(canvas.dc, GetStockObject(BLACK_PEN));
    POINT previous{-1, -1};
    MoveToEx(canvas.dc, 1, 1, &previous);
    POINT start{-1, -1};
    BOOL ok = LineTo(canvas.dc, 6, 1);
    MoveToEx(canvas.dc, 0, 0, &start);
    // LineTo leaves out its end point and moves the current position there.
    Report("gdi.lineto", "MoveToEx(1,1), LineTo(6,1), MoveToEx(0,0)",
           Text("initial=%ld,%ld ok=%d row=%s position=%ld,%ld", static_cast<long>(previous.x),
                static_cast<long>(previous.y), ok, Row(canvas.dc, 1, 0, 8).c_str(),
                static_cast<long>(start.x), static_cast<long>(start.y)),
           "initial=0,0 ok=1 row=.#####.. position=6,1");
}

void CheckFillRect() {
    Canvas canvas(6, 3);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RECT area{1, 0, 4, 2};
    int filled = FillRect(canvas.dc, &area, black);
    Report("gdi.fillrect", "FillRect(1,0,4,2, BLACK_BRUSH)",
           Text("result=%d %s", filled != 0, Rows(canvas.dc, 3, 6).c_str()),
           "result=1 .###..|.###..|......");
    // A system colour index + 1 stands for that colour's brush.
    constexpr int ColorWindowText = 8;
    RECT corner{0, 2, 1, 3};
    FillRect(canvas.dc, &corner,
             reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(ColorWindowText + 1)));
    Report("gdi.fillrect.system-colour", "FillRect(COLOR_WINDOWTEXT + 1)",
           Colour(GetPixel(canvas.dc, 0, 2)), "000000");
}

// The pixels of a canvas that are not white.
int Drawn(HDC dc, int width, int height) {
    int drawn = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            drawn += GetPixel(dc, x, y) != White ? 1 : 0;
        }
    }
    return drawn;
}

void CheckFrameRect() {
    Canvas canvas(8, 8);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RECT frame{1, 1, 6, 5};
    int framed = FrameRect(canvas.dc, &frame, black);
    // One unit wide, where Rectangle with a one-unit pen draws its border
    // (gdi.rectangle): the right and bottom edges stay outside.
    Report("gdi.framerect", "FrameRect(1,1,6,5, BLACK_BRUSH), rows 0 to 5, columns 0 to 7",
           Text("result=%d %s", framed != 0, Rows(canvas.dc, 6, 8).c_str()),
           "result=1 ........|.#####..|.#...#..|.#...#..|.#####..|........");

    // The brush given, not the one selected into the DC.
    Canvas coloured(4, 4);
    HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    RECT corner{0, 0, 3, 3};
    FrameRect(coloured.dc, &corner, brush);
    DeleteObject(brush);
    Report("gdi.framerect.brush", "FrameRect(0,0,3,3, solid 0x1E140A): edge, inside",
           Text("edge=%s inside=%s", Colour(GetPixel(coloured.dc, 2, 0)).c_str(),
                Colour(GetPixel(coloured.dc, 1, 1)).c_str()),
           "edge=1E140A inside=FFFFFF");

    // Right below left or bottom above top: nothing is drawn.
    Canvas empty(8, 8);
    RECT inverted{5, 1, 2, 6};
    RECT upsideDown{1, 6, 5, 2};
    FrameRect(empty.dc, &inverted, black);
    FrameRect(empty.dc, &upsideDown, black);
    Report("gdi.framerect.empty", "FrameRect(5,1,2,6), FrameRect(1,6,5,2)",
           Text("pixels-drawn=%d", Drawn(empty.dc, 8, 8)), "pixels-drawn=0");

    HDC gone = reinterpret_cast<HDC>(static_cast<ULONG_PTR>(0x7FFF0000));
    Report("gdi.framerect.invalid-dc", "FrameRect(invalid DC)",
           Text("result=%d", FrameRect(gone, &frame, black)), "result=0");
}

void CheckDrawEdge() {
    Canvas canvas(10, 10);
    RECT r{0, 0, 10, 10};
    BOOL ok = DrawEdge(canvas.dc, &r, EDGE_RAISED, BF_RECT | BfAdjust);
    // Two lines on each side: the rectangle left inside them.
    Report("gdi.drawedge", "DrawEdge(0,0,10,10, EDGE_RAISED, BF_RECT|BF_ADJUST)",
           Text("ok=%d adjusted=%ld,%ld,%ld,%ld inside=%s outer=%s", ok, static_cast<long>(r.left),
                static_cast<long>(r.top), static_cast<long>(r.right), static_cast<long>(r.bottom),
                Colour(GetPixel(canvas.dc, 5, 5)).c_str(),
                GetPixel(canvas.dc, 9, 5) == White ? "white" : "drawn"),
           "ok=1 adjusted=2,2,8,8 inside=FFFFFF outer=drawn");
}

void CheckDrawText() {
    Canvas canvas(200, 100);
    RECT one{0, 0, 200, 0};
    int lineHeight = DrawTextA(canvas.dc, "Ab", -1, &one, DT_CALCRECT | DT_SINGLELINE);
    RECT two{0, 0, 200, 0};
    int twoLines = DrawTextA(canvas.dc, "Ab\ncd", -1, &two, DT_CALCRECT);
    RECT narrow{0, 0, 1, 0};
    int wrapped = DrawTextA(canvas.dc, "word word", -1, &narrow, DT_CALCRECT | DT_WORDBREAK);
    Report("gdi.drawtext.calcrect",
           "DrawTextA(DT_CALCRECT): one line, \"Ab\\ncd\", two words in a 1-pixel width",
           Text("height=rect=%d two-lines=%d wrapped-lines=%d width-set=%d",
                lineHeight == one.bottom, twoLines == 2 * lineHeight, wrapped == 2 * lineHeight,
                one.right > 0 && one.right < 200),
           "height=rect=1 two-lines=1 wrapped-lines=1 width-set=1");
    RECT box{0, 0, 200, 100};
    int bottom = DrawTextA(canvas.dc, "Ab", 2, &box, DT_SINGLELINE | DT_VCENTER);
    // With DT_VCENTER the result is where the text ends below the top.
    Report("gdi.drawtext.vcenter", "DrawTextA(\"Ab\", 0,0,200,100, DT_SINGLELINE|DT_VCENTER)",
           Text("result-is-bottom=%d", bottom == (100 - lineHeight) / 2 + lineHeight),
           "result-is-bottom=1");
    RECT empty{0, 0, 10, 10};
    Report("gdi.drawtext.empty", "DrawTextA(\"\", 0 characters)",
           Text("%d", DrawTextA(canvas.dc, "", 0, &empty, 0)), "0");
}

void CheckDrawIcon() {
    HICON icon = LoadIconA(Instance(), "VINTOQ");
    Canvas canvas(40, 40);
    BOOL ok = DrawIcon(canvas.dc, 4, 4, icon);
    std::string sample;
    for (int y : {4, 12, 20, 35}) {
        for (int x : {4, 12, 20, 35}) {
            sample += Colour(GetPixel(canvas.dc, x, y)) + (x == 35 ? ";" : ",");
        }
    }
    Report(
        "gdi.drawicon", "DrawIcon(VINTOQ at 4,4), 16 pixels", Text("ok=%d %s", ok, sample.c_str()),
        "ok=1 FFFFFF,FFFFFF,FFFFFF,FFFFFF;FFFFFF,FFFFFF,000000,FFFFFF;FFFFFF,000000,000000,FFFFFF;"
        "FFFFFF,FFFFFF,FFFFFF,FFFFFF;");
}

} // namespace

void RunGdiChecks() {
    CheckStockObjects();
    CheckDcDefaults();
    CheckPixels();
    CheckMonochrome();
    CheckBitBlt();
    CheckShapes();
    CheckLines();
    CheckFillRect();
    CheckFrameRect();
    CheckDrawEdge();
    CheckDrawText();
    CheckDrawIcon();
}

} // namespace conformance
