#include "emu/user.h"

namespace emu {

namespace {
std::deque<UserAction> script;
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
}

} // namespace emu
