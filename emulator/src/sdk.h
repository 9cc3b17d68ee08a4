// The SDK's constants that the emulated headers leave out, for the emulator's
// own use: the headers declare only what the program may use, so that a call
// or a flag the emulator does not implement fails to compile in the program.
// Named here once, each with the SDK's name beside it.
#pragma once

#include <windows.h>

namespace emu {

// --- winuser.h: window styles and messages -------------------------------------------

constexpr LONG UseDefault = static_cast<LONG>(0x80000000); // CW_USEDEFAULT
constexpr DWORD ClipSiblings = 0x04000000;                 // WS_CLIPSIBLINGS
constexpr DWORD ThickFrame = 0x00040000;                   // WS_THICKFRAME
constexpr DWORD ExDlgModalFrame = 0x00000001;              // WS_EX_DLGMODALFRAME
constexpr DWORD ExNoParentNotify = 0x00000004;             // WS_EX_NOPARENTNOTIFY
constexpr DWORD ExWindowEdge = 0x00000100;                 // WS_EX_WINDOWEDGE
constexpr DWORD ExControlParent = 0x00010000;              // WS_EX_CONTROLPARENT
constexpr int ShowNoActivate = 4;                          // SW_SHOWNOACTIVATE
constexpr int ShowMinNoActive = 7;                         // SW_SHOWMINNOACTIVE
constexpr int ShowNA = 8;                                  // SW_SHOWNA
constexpr WPARAM SizeRestored = 0;                         // SIZE_RESTORED
constexpr UINT EnterIdle = 0x0121;                         // WM_ENTERIDLE
constexpr WPARAM DialogBoxIdle = 0;                        // MSGF_DIALOGBOX

// --- winuser.h: dialogs, controls and message boxes ------------------------------------

constexpr DWORD AbsAlign = 0x01;              // DS_ABSALIGN
constexpr DWORD ThreeDLook = 0x04;            // DS_3DLOOK
constexpr DWORD NoIdleMessage = 0x00000100;   // DS_NOIDLEMSG
constexpr DWORD ButtonTypeMask = 0x0000000F;  // BS_TYPEMASK
constexpr DWORD StaticIcon = 0x00000003;      // SS_ICON
constexpr DWORD StaticNoPrefix = 0x00000080;  // SS_NOPREFIX: "&" is shown, not an underline
constexpr UINT StaticSetIcon = 0x0170;        // STM_SETICON
constexpr UINT StaticGetIcon = 0x0171;        // STM_GETICON
constexpr UINT AbortRetryIgnore = 0x00000002; // MB_ABORTRETRYIGNORE
constexpr UINT YesNoCancel = 0x00000003;      // MB_YESNOCANCEL
constexpr UINT RetryCancel = 0x00000005;      // MB_RETRYCANCEL
constexpr WORD SystemIconFirst = 32512;       // IDI_APPLICATION
constexpr WORD SystemIconLast = 32516;        // IDI_ASTERISK (IDI_INFORMATION)
constexpr WORD HandId = 32513, QuestionId = 32514, ExclamationId = 32515, AsteriskId = 32516;

// --- winuser.h: drawing ------------------------------------------------------------------

constexpr UINT TextNoPrefix = 0x00000800; // DT_NOPREFIX
constexpr UINT BfMiddle = 0x0800;         // BF_MIDDLE
constexpr UINT BfAdjust = 0x2000;         // BF_ADJUST

// --- wingdi.h ----------------------------------------------------------------------------

constexpr int PsNull = 5;                   // PS_NULL
constexpr int PsLastStyle = 6;              // PS_INSIDEFRAME
constexpr COLORREF ClrInvalid = 0xFFFFFFFF; // CLR_INVALID

// --- winnt.h: standard and generic access rights -------------------------------------------

constexpr REGSAM RightDelete = 0x00010000;         // DELETE
constexpr REGSAM RightWriteDac = 0x00040000;       // WRITE_DAC
constexpr REGSAM RightWriteOwner = 0x00080000;     // WRITE_OWNER
constexpr REGSAM RightMaximumAllowed = 0x02000000; // MAXIMUM_ALLOWED
constexpr REGSAM RightGenericAll = 0x10000000;     // GENERIC_ALL
constexpr REGSAM RightGenericExecute = 0x20000000; // GENERIC_EXECUTE
constexpr REGSAM RightGenericWrite = 0x40000000;   // GENERIC_WRITE
constexpr REGSAM RightGenericRead = 0x80000000;    // GENERIC_READ

// --- winerror.h ----------------------------------------------------------------------------

constexpr LSTATUS ErrorNoAccess = 998;              // ERROR_NOACCESS
constexpr DWORD ErrorTopLevelWithChildStyle = 1406; // ERROR_TLW_WITH_WSCHILD
constexpr DWORD ErrorInvalidIndex = 1413;           // ERROR_INVALID_INDEX
constexpr DWORD ErrorControlIdNotFound = 1421;      // ERROR_CONTROL_ID_NOT_FOUND
constexpr DWORD ErrorNoSystemResources = 1450;      // ERROR_NO_SYSTEM_RESOURCES

} // namespace emu
