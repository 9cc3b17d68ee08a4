#include "emu/virtual_user.h"

#include "emu/window_manager.h"
#include "gdi32/gdi_private.h"

namespace emu {

namespace {

std::deque<UserAction> script;
std::optional<DrawnEllipse> lastEllipse;

// GDI tells of every ellipse on the framebuffer; the window is asked for at
// once, while the DC that drew it is still out.
void SeeEllipse(HDC hdc, POINT centre) {
    lastEllipse = DrawnEllipse{centre, WindowOfDc(hdc)};
}

} // namespace

bool IsDialogAction(ActionKind kind) {
    return kind != ActionKind::Touch && kind != ActionKind::Esc && kind != ActionKind::Idle;
}

std::string ActionName(ActionKind kind) {
    switch (kind) {
    case ActionKind::Touch: return "touch";
    case ActionKind::Esc: return "esc";
    case ActionKind::Idle: return "idle";
    case ActionKind::Yes: return "yes";
    case ActionKind::No: return "no";
    case ActionKind::Enter: return "enter";
    case ActionKind::Escape: return "escape";
    case ActionKind::Close: return "close";
    case ActionKind::Timeout: return "timeout";
    }
    return "?";
}

std::deque<UserAction>& UserScript() {
    return script;
}

UserAction TakeTouchAction() {
    if (!script.empty() && !IsDialogAction(script.front().kind)) {
        UserAction action = script.front();
        script.pop_front();
        return action;
    }
    return UserAction{ActionKind::Touch, 0, 0};
}

UserAction TakeDialogAction() {
    if (!script.empty() && IsDialogAction(script.front().kind)) {
        UserAction action = script.front();
        script.pop_front();
        return action;
    }
    return UserAction{ActionKind::Yes, 0, 0};
}

void ResetUser() {
    script.clear();
    lastEllipse.reset();
    gdi::SetEllipseWitness(SeeEllipse);
}

std::optional<DrawnEllipse> LastEllipse() {
    return lastEllipse;
}

std::optional<POINT> LastEllipseCentre() {
    return lastEllipse ? std::optional<POINT>(lastEllipse->centre) : std::nullopt;
}

} // namespace emu
