// app/SessionLauncher.h: one launcher per user session; a second start brings the running one forward.
#pragma once

#include <windows.h>

#include "platform/SessionMutex.h"

// The session's launcher holds it for its life. Constructed in a second start, it brings the running
// launcher forward and ends that start with status 0, before it makes a window or reads from the medium.
class SessionLauncher {
public:
    SessionLauncher();

private:
    SessionMutex lock_;
};

// Marks the application window for a second start to find, or no longer, once the launcher is ending.
void MarkLauncherWindow(HWND applicationWindow);
void UnmarkLauncherWindow(HWND applicationWindow);

// The message a second start posts to the running launcher's application window.
UINT ComeForwardMessage();
