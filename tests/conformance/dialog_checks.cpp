// Modal dialogs and message boxes. Nobody sits at the screen: the program
// closes every dialog itself, from a timer set before the modal call, which
// the dialog's own modal loop dispatches, on Windows and on the emulated
// desktop alike.
#include "test_window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace conformance {

namespace {

constexpr DWORD ThreeDLook = 0x00000004;      // DS_3DLOOK
constexpr DWORD ExDlgModalFrame = 0x00000001; // WS_EX_DLGMODALFRAME
constexpr DWORD ExControlParent = 0x00010000; // WS_EX_CONTROLPARENT
constexpr UINT EnterIdle = 0x0121;            // WM_ENTERIDLE
constexpr UINT_PTR CloseTimer = 1;
constexpr const char* DialogClass = "#32770";
constexpr const char* CalibTestCaption = "<Calib test>";

DWORD StyleOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
}

bool Visible(HWND hwnd) {
    return (StyleOf(hwnd) & WS_VISIBLE) != 0;
}

std::string Size(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return Text("%ldx%ld", static_cast<long>(r.right - r.left),
                static_cast<long>(r.bottom - r.top));
}

// What the dialog procedure saw, check by check.
struct DialogSeen {
    std::string messages;
    std::string atInit;
    std::string atTimer;
    INT_PTR endWith = 42;
    HWND owner = nullptr;
    HWND dialog = nullptr;
};
DialogSeen dialogSeen;

void NoteDialogMessage(UINT message) {
    static const UINT noted[] = {WM_SETFONT, WM_INITDIALOG, WM_SHOWWINDOW, WM_TIMER,
                                 WM_COMMAND, WM_DESTROY,    WM_NCDESTROY};
    for (UINT m : noted) {
        if (m == message) {
            dialogSeen.messages += (dialogSeen.messages.empty() ? "" : " ") + MessageName(message);
        }
    }
}

std::string InitialState(HWND dialog, WPARAM focus, LPARAM param) {
    HWND ok = GetDlgItem(dialog, IDOK);
    char text[32] = {};
    GetWindowTextA(ok, text, sizeof text);
    RECT client{};
    GetClientRect(dialog, &client);
    return Text("focus-is-ok=%d param=%ld visible=%d owner-disabled=%d parent-is-owner=%d "
                "size=%s client=%ldx%ld ok-text=%s ok-id=%d",
                reinterpret_cast<HWND>(focus) == ok, static_cast<long>(param), Visible(dialog),
                (GetWindowLongA(dialogSeen.owner, GWL_STYLE) & WS_DISABLED) != 0,
                GetParent(dialog) == dialogSeen.owner, Size(dialog).c_str(),
                static_cast<long>(client.right), static_cast<long>(client.bottom), text,
                GetDlgCtrlID(ok));
}

INT_PTR CALLBACK TimedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    NoteDialogMessage(message);
    switch (message) {
    case WM_INITDIALOG:
        dialogSeen.dialog = dialog;
        dialogSeen.atInit = InitialState(dialog, wParam, lParam);
        // Long enough that the loop finds its queue empty first, however
        // slowly the dialog was made: then it shows the dialog and tells the
        // owner it is idle.
        SetTimer(dialog, CloseTimer, 300, nullptr);
        return TRUE;
    case WM_TIMER:
        KillTimer(dialog, CloseTimer);
        dialogSeen.atTimer = Text("visible=%d", Visible(dialog));
        EndDialog(dialog, dialogSeen.endWith);
        dialogSeen.atTimer +=
            Text(" after-end: visible=%d alive=%d", Visible(dialog), IsWindow(dialog));
        return TRUE;
    default: return FALSE;
    }
}

int enterIdle = 0;

bool CountsEnterIdle(HWND, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == EnterIdle) {
        ++enterIdle;
    }
    return false;
}

void CheckModalDialog(HWND owner) {
    dialogSeen = DialogSeen{};
    dialogSeen.owner = owner;
    enterIdle = 0;
    Answers().handler = CountsEnterIdle;
    INT_PTR result = DialogBoxParamA(Instance(), "CalibTest", owner, TimedDialogProc, 1234);
    Answers().handler = nullptr;
    Report("dlg.messages", "DialogBoxParamA(\"CalibTest\"), closed from its own timer",
           dialogSeen.messages,
           "WM_SETFONT WM_INITDIALOG WM_SHOWWINDOW WM_TIMER WM_DESTROY WM_NCDESTROY");
    Report("dlg.initdialog", "state at WM_INITDIALOG", dialogSeen.atInit,
           "focus-is-ok=1 param=1234 visible=0 owner-disabled=1 parent-is-owner=1 size=285x140 "
           "client=279x115 ok-text=<Yes> ok-id=1");
    Report("dlg.timer", "state at the first WM_TIMER, EndDialog(42)", dialogSeen.atTimer,
           "visible=1 after-end: visible=0 alive=1");
    Report("dlg.result", "DialogBoxParamA result, afterwards",
           Text("result=%ld alive=%d owner-disabled=%d enter-idle-sent=%d",
                static_cast<long>(result), IsWindow(dialogSeen.dialog),
                (GetWindowLongA(owner, GWL_STYLE) & WS_DISABLED) != 0, enterIdle > 0),
           "result=42 alive=0 owner-disabled=0 enter-idle-sent=1");
}

std::string styles;
std::string missingItem;

INT_PTR CALLBACK StyleDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        styles = Text(
            "style=0x%08lX exstyle=0x%08lX", static_cast<unsigned long>(StyleOf(dialog)),
            static_cast<unsigned long>(static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE))));
        SetLastError(Unset);
        HWND missing = GetDlgItem(dialog, 999);
        missingItem = Text("item=%s error=%u", missing ? "valid" : "NULL", GetLastError());
        // Ending the dialog before it is ever shown.
        EndDialog(dialog, 5);
        return TRUE;
    }
    return FALSE;
}

void CheckDialogStyles(HWND owner) {
    styles.clear();
    INT_PTR result = DialogBoxParamA(Instance(), "calibtest", owner, StyleDialogProc, 0);
    // DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU in the
    // template; Windows adds DS_3DLOOK and WS_CLIPSIBLINGS, and the extended
    // styles of a modal frame around a dialog that holds controls.
    DWORD style =
        DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | ThreeDLook | ClipSiblings;
    DWORD exStyle = ExDlgModalFrame | ExWindowEdge | ExControlParent;
    Report("dlg.styles", "DialogBoxParamA(\"calibtest\"), GetWindowLongA in WM_INITDIALOG",
           Text("%s result=%ld", styles.c_str(), static_cast<long>(result)),
           Text("style=0x%08lX exstyle=0x%08lX result=5", static_cast<unsigned long>(style),
                static_cast<unsigned long>(exStyle)));
    Report("dlg.getdlgitem-missing", "GetDlgItem(dialog, 999)", missingItem,
           "item=NULL error=1421");
}

// The owner's timer, due before the dialog is even created: the dialog's
// loop dispatches it to the owner.
std::string atOwnerTimer;

bool EndsDialogOnTimer(HWND hwnd, UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
    if (message != WM_TIMER || wParam != 5) {
        return false;
    }
    KillTimer(hwnd, 5);
    HWND dialog = FindWindowA(DialogClass, CalibTestCaption);
    atOwnerTimer = Text("found=%d visible=%d", dialog != nullptr, dialog && Visible(dialog));
    EndDialog(dialog, 7);
    *result = 0;
    return true;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

void CheckDueTimer(HWND owner) {
    atOwnerTimer.clear();
    SetTimer(owner, 5, 10, nullptr);
    Pump(50);
    Answers().handler = EndsDialogOnTimer;
    INT_PTR result = DialogBoxParamA(Instance(), "CalibTest", owner, QuietDialogProc, 0);
    Answers().handler = nullptr;
    // The tick is dispatched before the dialog is ever shown.
    Report("dlg.due-timer", "owner's timer due before DialogBoxParamA",
           Text("%s result=%ld", atOwnerTimer.c_str(), static_cast<long>(result)),
           "found=1 visible=0 result=7");
}

// The dialog's own timer, due at once: the first tick comes before the
// dialog is shown, and the dialog is shown right after it, whatever else is
// still queued.
std::string firstTick;

INT_PTR CALLBACK FirstTickDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetTimer(dialog, CloseTimer, 10, nullptr);
        Pump(50);
        return FALSE;
    case WM_TIMER:
        KillTimer(dialog, CloseTimer);
        firstTick = Text("at-tick: visible=%d", Visible(dialog));
        PostMessageA(dialog, WM_USER, 0, 0);
        return TRUE;
    case WM_USER:
        firstTick += Text(" at-next-message: visible=%d", Visible(dialog));
        EndDialog(dialog, 3);
        return TRUE;
    default: return FALSE;
    }
}

void CheckFirstTick(HWND owner) {
    firstTick.clear();
    INT_PTR result = DialogBoxParamA(Instance(), "CalibTest", owner, FirstTickDialogProc, 0);
    Report("dlg.first-tick", "dialog's own timer due at once, a message posted at the tick",
           Text("%s result=%ld", firstTick.c_str(), static_cast<long>(result)),
           "at-tick: visible=0 at-next-message: visible=1 result=3");
}

// Keys reach the dialog through its modal loop, which gives Esc and Enter
// their meaning.
UINT keyToPress = VK_ESCAPE;
std::string keyCommands;

INT_PTR CALLBACK KeyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: SetTimer(dialog, CloseTimer, 10, nullptr); return TRUE;
    case WM_TIMER:
        KillTimer(dialog, CloseTimer);
        if (keyToPress == 0) {
            SendMessageA(dialog, WM_CLOSE, 0, 0);
        } else {
            PostMessageA(GetDlgItem(dialog, IDCANCEL), WM_KEYDOWN, keyToPress, 1);
        }
        return TRUE;
    case WM_COMMAND:
        keyCommands += Text("%u ", LOWORD(wParam));
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    default: return FALSE;
    }
}

void CheckKeys(HWND owner) {
    std::string results;
    for (UINT key : {static_cast<UINT>(VK_ESCAPE), static_cast<UINT>(VK_RETURN), 0u}) {
        keyToPress = key;
        keyCommands.clear();
        INT_PTR result = DialogBoxParamA(Instance(), "CalibTest", owner, KeyDialogProc, 0);
        results += Text("%scommand=%sresult=%ld", results.empty() ? "" : "; ", keyCommands.c_str(),
                        static_cast<long>(result));
    }
    // Esc is Cancel; Enter is the focused push button (Yes, the first tab stop); the close
    // box (WM_CLOSE) is Cancel.
    Report("dlg.keys", "Esc, Enter (focus on Yes), WM_CLOSE in a dialog", results,
           "command=2 result=2; command=1 result=1; command=2 result=2");
}

void CheckDialogFailures(HWND owner) {
    SetLastError(Unset);
    INT_PTR missing = DialogBoxParamA(Instance(), "NoSuchDialog", owner, QuietDialogProc, 0);
    Report("dlg.missing-template", "DialogBoxParamA(\"NoSuchDialog\")",
           Text("result=%ld error=%u", static_cast<long>(missing), GetLastError()),
           "result=-1 error=1814");
    INT_PTR invalid = DialogBoxParamA(Instance(), "CalibTest",
                                      reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFFFFF0)),
                                      QuietDialogProc, 0);
    Report("dlg.invalid-owner", "DialogBoxParamA(invalid owner)",
           Text("result=%ld", static_cast<long>(invalid)), "result=0");
    Report("dlg.enddialog-not-a-dialog", "EndDialog(ordinary window)",
           Text("%d", EndDialog(owner, 1)), "0");
}

// Message boxes -------------------------------------------------------------

constexpr int TextId = 0xFFFF;
constexpr int IconId = 20;             // Windows' identifier of the icon control
constexpr int WineIconId = 1088;       // stc1, Wine's
constexpr UINT StmGetIcon = 0x0171;    // STM_GETICON
constexpr DWORD StaticNoPrefix = 0x80; // SS_NOPREFIX
constexpr int VersionMismatchText = 156;

// A control's rectangle relative to the box's top left corner.
RECT Relative(HWND box, HWND control) {
    RECT b{}, c{};
    GetWindowRect(box, &b);
    GetWindowRect(control, &c);
    return {c.left - b.left, c.top - b.top, c.right - b.left, c.bottom - b.top};
}

// What a message box looked like while it was up.
struct BoxSeen {
    bool found = false;
    bool visible = false;
    RECT box{};
    RECT client{};
    RECT text{};
    RECT ok{};
    RECT icon{};
    bool iconAt20 = false;
    bool iconFound = false;
    bool iconSet = false;
    bool noPrefix = false;
    std::size_t textLength = 0;
};

struct BoxPlan {
    const char* caption = nullptr; // what FindWindowA looks for
    WPARAM press = IDOK;
    UINT key = 0; // a key to post instead of the command
    BoxSeen seen;
};
BoxPlan plan;

BoxSeen InspectBox(HWND box) {
    BoxSeen seen;
    seen.found = true;
    seen.visible = Visible(box);
    GetWindowRect(box, &seen.box);
    GetClientRect(box, &seen.client);
    HWND text = GetDlgItem(box, TextId);
    char buffer[512] = {};
    GetWindowTextA(text, buffer, sizeof buffer);
    seen.textLength = std::strlen(buffer);
    seen.noPrefix = (StyleOf(text) & StaticNoPrefix) != 0;
    seen.text = Relative(box, text);
    seen.ok = Relative(box, GetDlgItem(box, IDOK));
    HWND icon = GetDlgItem(box, IconId);
    seen.iconAt20 = icon != nullptr;
    if (icon == nullptr) {
        icon = GetDlgItem(box, WineIconId);
    }
    if (icon != nullptr && SendMessageA(icon, StmGetIcon, 0, 0) != 0) {
        seen.iconFound = true;
        seen.iconSet = true;
        seen.icon = Relative(box, icon);
    }
    return seen;
}

void CALLBACK CloseBox(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND box = FindWindowA(DialogClass, plan.caption);
    if (box == nullptr) {
        return;
    }
    plan.seen = InspectBox(box);
    if (plan.key != 0) {
        PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, plan.key, 1);
    } else {
        SendMessageA(box, WM_COMMAND, plan.press, 0);
    }
}

int ShowBox(const char* text, const char* caption, UINT type, const char* find, WPARAM press,
            UINT key = 0) {
    plan = BoxPlan{};
    plan.caption = find;
    plan.press = press;
    plan.key = key;
    SetTimer(nullptr, 0, 30, CloseBox);
    return MessageBoxA(nullptr, text, caption, type);
}

long Width(const RECT& r) {
    return static_cast<long>(r.right - r.left);
}
long Height(const RECT& r) {
    return static_cast<long>(r.bottom - r.top);
}

void CheckAnswers() {
    int result = ShowBox("Proceed?", "Conformance YesNo", MB_YESNO, "Conformance YesNo", IDNO);
    Report("mbox.yesno", "MessageBoxA(MB_YESNO), No pressed",
           Text("found=%d result=%d", plan.seen.found, result), "found=1 result=7");

    result = ShowBox("Escape", "Conformance OK", MB_OK, "Conformance OK", 0, VK_ESCAPE);
    // With only an OK button, Esc answers OK.
    Report("mbox.ok-escape", "MessageBoxA(MB_OK), Esc pressed",
           Text("found=%d result=%d", plan.seen.found, result), "found=1 result=1");

    result = ShowBox("No caption", nullptr, MB_OK, "Error", IDOK);
    Report("mbox.default-caption", "MessageBoxA(caption NULL), FindWindowA(\"Error\")",
           Text("found=%d result=%d", plan.seen.found, result), "found=1 result=1");

    SetLastError(Unset);
    result =
        MessageBoxA(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x7FFFFFF0)), "x", "x", MB_OK);
    Report("mbox.invalid-owner", "MessageBoxA(invalid owner)",
           Text("result=%d error=%u", result, GetLastError()), "result=0 error=1400");
}

// The layout of Windows' message box: the text wrapped at 176 dialog units
// (264 pixels), the icon 32 x 32 to its left, both centred in a band 16
// pixels taller than the higher of them, the buttons below (twice their
// text's height, twice the widest text's width but at least four times the
// height, a third of a button apart), the box centred on the desktop.
void CheckLayout(const char* name, const char* call, const BoxSeen& seen, int lines, bool icon) {
    const long lineHeight = lines > 0 ? Height(seen.text) / lines : 0;
    const long border = Width(seen.box) - seen.client.right;
    const long caption = Height(seen.box) - seen.client.bottom - border;
    const long frame = border / 2;
    const long band = 16 + std::max<long>(icon ? 32 : 0, Height(seen.text));
    Report(std::string(name) + ".vertical", call,
           Text("lines=%ld band-top=%ld text-centred=%d button=%ldx%ld button-below-band=%d "
                "bottom-margin=%ld box-centred=%d",
                lineHeight > 0 ? Height(seen.text) / lineHeight : 0,
                static_cast<long>(seen.text.top) - frame - caption - (band - Height(seen.text)) / 2,
                seen.text.top - frame - caption == (band - Height(seen.text)) / 2, Width(seen.ok),
                Height(seen.ok), seen.ok.top - frame - caption == band,
                Height(seen.box) - seen.ok.bottom - frame,
                seen.box.top == (GetSystemMetrics(SM_CYSCREEN) - Height(seen.box)) / 2),
           Text("lines=%d band-top=0 text-centred=1 button=52x26 button-below-band=1 "
                "bottom-margin=8 box-centred=1",
                lines));
    const long textLeft = icon ? 56 : 12;
    Report(
        std::string(name) + ".horizontal", call,
        Text("text-left=%ld text-within-264=%d right-margin=%ld button-centred=%d "
             "box-centred=%d",
             static_cast<long>(seen.text.left) - frame, Width(seen.text) <= 264,
             Width(seen.box) - frame - seen.text.right,
             // centred to within the frame's width
             std::abs(seen.ok.left + seen.ok.right - Width(seen.box)) <= 2 * frame + 1,
             std::abs(seen.box.left - (GetSystemMetrics(SM_CXSCREEN) - Width(seen.box)) / 2) <= 1),
        Text("text-left=%ld text-within-264=1 right-margin=12 button-centred=1 box-centred=1",
             textLeft));
    // The width follows the font's glyphs; it is reported, not compared.
    std::printf("# %s.size | %ldx%ld text %ldx%ld\n", name, Width(seen.box), Height(seen.box),
                Width(seen.text), Height(seen.text));
}

void CheckMessageBoxes() {
    CheckAnswers();

    char text[512] = {};
    LoadStringA(Instance(), VersionMismatchText, text, sizeof text);
    int result = ShowBox(text, "", MB_ICONWARNING, "", IDOK);
    const BoxSeen warning = plan.seen;
    Report("mbox.text", "MessageBoxA(text 156, \"\", MB_ICONWARNING): its text control",
           Text("visible=%d noprefix=%d length=%zu result=%d", warning.visible, warning.noPrefix,
                warning.textLength, result),
           "visible=1 noprefix=1 length=144 result=1");
    Report("mbox.icon-id", "GetDlgItem(box, 20)", Text("found=%d", warning.iconAt20), "found=1");
    Report("mbox.icon", "the icon control: STM_GETICON, place",
           Text("set=%d at=%ld,%ld size=%ldx%ld", warning.iconSet,
                static_cast<long>(warning.icon.left), static_cast<long>(warning.icon.top),
                Width(warning.icon), Height(warning.icon)),
           "set=1 at=15,40 size=32x32");
    CheckLayout("mbox.layout", "MessageBoxA(text 156, \"\", MB_ICONWARNING)", warning, 4, true);

    ShowBox("Save && exit", "Conformance Prefix", MB_OK, "Conformance Prefix", IDOK);
    const BoxSeen prefix = plan.seen;
    Report("mbox.noprefix", "MessageBoxA(\"Save && exit\"): its text control",
           Text("noprefix=%d length=%zu icon=%d", prefix.noPrefix, prefix.textLength,
                prefix.iconFound),
           "noprefix=1 length=12 icon=0");
    CheckLayout("mbox.short", "MessageBoxA(\"Save && exit\", MB_OK)", prefix, 1, false);
}

} // namespace

void RunDialogChecks() {
    HWND owner = CreateTestWindow("owner", WS_POPUP | WS_VISIBLE, 0, 0, 1024, 768);
    Drain(100);
    CheckModalDialog(owner);
    CheckDialogStyles(owner);
    CheckDueTimer(owner);
    CheckFirstTick(owner);
    CheckKeys(owner);
    CheckDialogFailures(owner);
    DestroyWindow(owner);
    Drain();
}

void RunMessageBoxChecks() {
    CheckMessageBoxes();
    Drain();
}

} // namespace conformance
