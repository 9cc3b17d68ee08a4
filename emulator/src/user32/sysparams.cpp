// System parameters of the classic look: metrics, colours, the cursor count
// and the beep.
#include <windows.h>

#include "emu/gdi.h"
#include "emu/machine.h"
#include "emu/trace.h"
#include "emu/window_manager.h"
#include "user32/win.h"

namespace emu::wm {

namespace {
constexpr int CxBorderIndex = 5, CyBorderIndex = 6, CxDlgFrameIndex = 7, CyDlgFrameIndex = 8,
              CyCaptionIndex = 4;
int cursorCount = 0;
} // namespace

// The classic Windows colour scheme.
std::uint32_t SysColour(int index) {
    switch (index) {
    case ColourBackground: return DesktopColour;
    case ColourActiveCaption: return 0x000080;
    case ColourWindow: return 0xFFFFFF;
    case ColourWindowText: return 0x000000;
    case ColourCaptionText: return 0xFFFFFF;
    case ColourBtnFace: return 0xC0C0C0;
    case ColourBtnShadow: return 0x808080;
    case ColourBtnText: return 0x000000;
    case ColourBtnHighlight: return 0xFFFFFF;
    case Colour3dDkShadow: return 0x000000;
    case Colour3dLight: return 0xC0C0C0;
    default: return 0xC0C0C0;
    }
}

void ResetSysParams() {
    cursorCount = 0;
}

} // namespace emu::wm

int WINAPI GetSystemMetrics(int nIndex) {
    switch (nIndex) {
    case SM_CXSCREEN: return emu::Machine().desktopWidth;
    case SM_CYSCREEN: return emu::Machine().desktopHeight;
    case emu::wm::CyCaptionIndex: return emu::wm::CaptionHeight;
    case emu::wm::CxBorderIndex:
    case emu::wm::CyBorderIndex: return emu::wm::BorderWidth;
    case emu::wm::CxDlgFrameIndex:
    case emu::wm::CyDlgFrameIndex: return emu::wm::DlgFrameWidth;
    default: return 0;
    }
}

int WINAPI ShowCursor(BOOL bShow) {
    emu::wm::cursorCount += bShow ? 1 : -1;
    emu::Record({{"ev", "cursor"}, {"count", emu::wm::cursorCount}});
    return emu::wm::cursorCount;
}

BOOL WINAPI MessageBeep(UINT uType) {
    emu::Record({{"ev", "beep"}, {"type", uType}});
    return TRUE;
}

namespace emu {

int CursorDisplayCount() {
    return wm::cursorCount;
}

} // namespace emu
