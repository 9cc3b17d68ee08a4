// The virtual user in front of the emulated desktop: an ordered script of
// actions, consumed by whatever waits for the user next.
#pragma once

#include <deque>
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
void ResetUser();

} // namespace emu
