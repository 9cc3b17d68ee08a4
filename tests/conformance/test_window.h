// The conformance program's own window class: a window procedure that writes
// the messages under study into a log and answers as each check asks.
#pragma once

#include "conformance.h"

#include <functional>
#include <set>
#include <string>

namespace conformance {

constexpr const char* TestClassName = "VintoqConformance";

// Registers the class once; the atom, or 0.
ATOM RegisterTestClass();
// A test window (WS_POPUP unless told otherwise), hidden, named in the log.
HWND CreateTestWindow(const char* logName, DWORD style = WS_POPUP, int x = 100, int y = 50,
                      int width = 300, int height = 200, HWND parent = nullptr, int id = 0);

// The log: "name:WM_XXX(details)" entries, separated by blanks, for the
// messages in the watched set only.
void Watch(std::set<UINT> messages);
void WatchNothing();
void ClearLog();
std::string Log();
// The name a window goes by in the log ("?" for one it does not know).
void NameWindow(HWND hwnd, const std::string& name);
std::string MessageName(UINT message);

// How the test window procedure answers: WM_NCCREATE and WM_CREATE results,
// and a handler that may take a message over (return true to consume it,
// with the result in *result).
struct TestAnswers {
    LRESULT ncCreate = TRUE;
    LRESULT create = 0;
    std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> handler;
};
TestAnswers& Answers();

// What WM_CREATE saw in its CREATESTRUCTA.
struct CreateSeen {
    LPVOID params = nullptr;
    int x = 0, y = 0, cx = 0, cy = 0;
    LONG style = 0;
    std::string name;
};
const CreateSeen& LastCreate();

// Removes and dispatches every queued message (windows of the program only),
// for at most the given time, so that a check starts from an empty queue.
void Drain(DWORD milliseconds = 50);

} // namespace conformance
