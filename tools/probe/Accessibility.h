// tools/probe/Accessibility.h: probe commands that read and drive a window as a screen reader does (MSAA).
#pragma once

#include <string>

#include "tools/probe/Args.h"

namespace probe {

// accessible HWND [X Y]: the window's client object from another process: its name, role, focus, first and
// last child, and every child's name, role, state, place, default action, the child found at the centre of
// that place and the children before and after it; with X Y, the child found at that screen point.
std::string AccessibleTree(const Args& args);

// acc-default HWND CHILD: runs a child's default action.
std::string AccessibleDefaultAction(const Args& args);

// focus-events PID SECONDS READYFILE: the focus events (EVENT_OBJECT_FOCUS) the process raises during SECONDS;
// READYFILE is written once they are being listened to.
std::string FocusEvents(const Args& args);

}  // namespace probe
