#include "calibration/drawing.h"

#include "calibration/target_sequence.h"
#include "context/context.h"
#include "context/platform.h"
#include "ui/resource.h"
#include "ui/texts.h"

namespace {

// Instruction panel, relative to the window centre.
constexpr int PanelHalfWidth = 170;
constexpr int PanelHalfHeight = 50;
constexpr int IconOffsetX = 16;
constexpr int IconOffsetY = 40;
constexpr int TextRowHeight = 20;

// Target.
constexpr DWORD TargetDelayMs = 500;
constexpr int TargetPenWidth = 2;
constexpr int RingCount = 4;
constexpr COLORREF RingColour = RGB(255, 0, 0);
constexpr COLORREF CrossColour = RGB(0, 0, 0);
constexpr COLORREF DiscColour = RGB(255, 255, 255);

// Background store: one block around a target. Fixed sizes, not derived from
// TargetRadius.
constexpr int StoreBitmapSize = 52;
constexpr int BlockSize = 50;
constexpr int BlockOffset = 25;

using DrawEdgeFunction = BOOL(WINAPI*)(HDC, LPRECT, UINT, UINT);

// Win32s releases without DrawEdge have no 3D look to match: a plain grey
// frame there.
void DrawPanelFrame(HDC dc, RECT frame) {
    if (auto drawEdge = SystemFunction<DrawEdgeFunction>(User32Name, "DrawEdge")) {
        drawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    } else {
        FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    }
}

void DrawPanelText(HDC dc, UINT textId, RECT row) {
    LoadLocalizedString(Context.InstanceHandle, textId, Context.TextBuffer, TextBufferSize);
    DrawTextA(dc, Context.TextBuffer, -1, &row, DT_CENTER);
}

} // namespace

void SendPaint() {
    SendMessageA(Context.CalibrationWindow, WM_PAINT, 0, 0);
}

void DrawInstructionPanel(HDC dc) {
    SendPaint();
    const int cx = Context.WindowWidth / 2;
    const int cy = Context.WindowHeight / 2;

    DrawPanelFrame(dc, RECT{cx - PanelHalfWidth, cy - PanelHalfHeight, cx + PanelHalfWidth,
                            cy + PanelHalfHeight});

    // The module's shared icon: not destroyed.
    DrawIcon(dc, cx - IconOffsetX, cy - IconOffsetY, LoadIconA(Context.InstanceHandle, "VINTOQ"));

    const int previousMode = SetBkMode(dc, TRANSPARENT);
    DrawPanelText(dc, IDS_PANEL_LINE_1,
                  RECT{cx - PanelHalfWidth, cy, cx + PanelHalfWidth, cy + TextRowHeight});
    DrawPanelText(
        dc, IDS_PANEL_LINE_2,
        RECT{cx - PanelHalfWidth, cy + TextRowHeight, cx + PanelHalfWidth, cy + 2 * TextRowHeight});
    SetBkMode(dc, previousMode);
    SendPaint();
}

void DrawTarget(HDC dc, int x, int y, int radius) {
    SendPaint();

    // Unsigned difference: the tick counter may wrap round during the wait.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < TargetDelayMs) {
    }

    HPEN blackPen = CreatePen(PS_SOLID, TargetPenWidth, CrossColour);
    HPEN redPen = CreatePen(PS_SOLID, TargetPenWidth, RingColour);
    HGDIOBJ previousPen = SelectObject(dc, redPen);
    HBRUSH whiteBrush = CreateSolidBrush(DiscColour);
    HGDIOBJ previousBrush = SelectObject(dc, whiteBrush);

    for (int k = RingCount; k >= 1; --k) {
        const int d = (k * radius) / RingCount - 1;
        Ellipse(dc, x - d, y - d, x + d, y + d);
    }

    SelectObject(dc, blackPen);
    MoveToEx(dc, x, y - radius + 1, nullptr);
    LineTo(dc, x, y + radius - 1);
    MoveToEx(dc, x - radius + 1, y, nullptr);
    LineTo(dc, x + radius - 1, y);

    SelectObject(dc, previousPen);
    DeleteObject(redPen);
    DeleteObject(blackPen);
    SelectObject(dc, previousBrush);
    DeleteObject(whiteBrush);
    SendPaint();
}

void CreateBackgroundStore(BackgroundStore& store, HDC windowDC) {
    store = BackgroundStore{};
    store.MemoryDC = CreateCompatibleDC(windowDC);
    if (store.MemoryDC == nullptr) {
        return;
    }
    store.Bitmap = CreateCompatibleBitmap(windowDC, StoreBitmapSize, StoreBitmapSize);
    if (store.Bitmap != nullptr) {
        store.PreviousBitmap = SelectObject(store.MemoryDC, store.Bitmap);
    }
}

void ReleaseBackgroundStore(BackgroundStore& store) {
    if (store.Bitmap != nullptr) {
        SelectObject(store.MemoryDC, store.PreviousBitmap);
        DeleteObject(store.Bitmap);
        DeleteDC(store.MemoryDC);
    } else if (store.MemoryDC != nullptr) {
        DeleteDC(store.MemoryDC);
    }
    store = BackgroundStore{};
}

void SaveTargetBackground(const BackgroundStore& store, HDC windowDC, int x, int y) {
    if (store.Bitmap != nullptr) {
        BitBlt(store.MemoryDC, 0, 0, BlockSize, BlockSize, windowDC, x - BlockOffset,
               y - BlockOffset, SRCCOPY);
    }
}

void RestoreTargetBackground(const BackgroundStore& store, HDC windowDC, int x, int y) {
    if (store.Bitmap != nullptr) {
        BitBlt(windowDC, x - BlockOffset, y - BlockOffset, BlockSize, BlockSize, store.MemoryDC, 0,
               0, SRCCOPY);
    }
}
