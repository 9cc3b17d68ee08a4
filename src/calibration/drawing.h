// What is drawn on the calibration window: the instruction panel and targets,
// and the store that puts back what lay under a target.
#pragma once

#include <windows.h>

struct BackgroundStore {
    HDC MemoryDC = nullptr;
    HBITMAP Bitmap = nullptr;
    HGDIOBJ PreviousBitmap = nullptr;
};

// The window never paints its own content; a WM_PAINT only validates it and
// erases what was invalidated.
void SendPaint();
void DrawInstructionPanel(HDC dc);
void DrawTarget(HDC dc, int x, int y, int radius);

void CreateBackgroundStore(BackgroundStore& store, HDC windowDC);
void ReleaseBackgroundStore(BackgroundStore& store);
void SaveTargetBackground(const BackgroundStore& store, HDC windowDC, int x, int y);
void RestoreTargetBackground(const BackgroundStore& store, HDC windowDC, int x, int y);
