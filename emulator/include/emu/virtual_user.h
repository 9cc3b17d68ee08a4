// The virtual user in front of the emulated desktop, and everything the
// desktop tells it or lets it do: an ordered script of actions, consumed by
// whatever waits for the user next; the target it sees; the keys it presses;
// its pace; and the moment a dialog is on the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

namespace emu {

enum class ActionKind {
    Touch,   // touch the target on the screen, off by (dx, dy) pixels
    Esc,     // press Esc while a target waits
    Idle,    // do nothing while a target waits (the time-out ends the wait)
    Yes,     // click Yes (IDOK) in a dialog
    No,      // click No (IDCANCEL)
    Enter,   // press Enter in a dialog
    Escape,  // press Esc in a dialog
    Close,   // click the close box of a dialog
    Timeout, // do nothing in a dialog until it goes away
};

struct UserAction {
    ActionKind kind = ActionKind::Touch;
    int dx = 0;
    int dy = 0;
};

bool IsDialogAction(ActionKind kind);
std::string ActionName(ActionKind kind);

std::deque<UserAction>& UserScript();
// What the user does at a touch wait: the front of the script when it is a
// touch-wait action (taken off), else an accurate touch.
UserAction TakeTouchAction();
// What the user does in a dialog: the front of the script when it is a
// dialog action (taken off), else Yes.
UserAction TakeDialogAction();
// The script emptied and what the user saw forgotten.
void ResetUser();

// --- What the user sees ---------------------------------------------------------------

// The centre of the last ellipse drawn on the screen (desktop coordinates),
// with the window whose device context drew it (null for the desktop's own
// DC): the target, where the virtual user touches unless a test has
// installed another TargetLocator().
struct DrawnEllipse {
    POINT centre{};
    HWND window = nullptr;
};
std::optional<DrawnEllipse> LastEllipse();
std::optional<POINT> LastEllipseCentre();

// Where the target on the screen is: the centre of what was drawn last, in
// desktop coordinates, as long as it lies on the window that waits for the
// touch (none otherwise: only Esc or the time-out end that wait). Tests may
// replace it.
std::function<std::optional<POINT>()>& TargetLocator();

// Called when a dialog or a message box is on the screen and painted, before
// the virtual user acts: with the dialog's template name or "MessageBox".
// emu::Reset() clears it.
std::function<void(const std::string& what)>& ScreenshotHook();

// --- What the user does ---------------------------------------------------------------

// Connects the virtual user to the driver: at each wait for a touch the next
// touch-wait action of the user script is played (touch the target, press
// Esc, or stay idle).
void AttachVirtualUser();

// Puts a key press (WM_KEYDOWN, WM_CHAR for Esc, Enter and printable keys,
// WM_KEYUP) into the input queue of the focus window and records a "key" event.
void PressKey(UINT vk);

// Virtual time between a target appearing (the program starting its wait) and
// the user's finger or key arriving.
constexpr std::uint32_t UserReactionMs = 400;
// The virtual user's pace in modal loops, in virtual milliseconds: from the
// moment a dialog or message box is on the screen to the click or key press.
constexpr std::uint32_t DialogThinkTime = 500;
constexpr std::uint32_t MessageBoxThinkTime = 300;

} // namespace emu
