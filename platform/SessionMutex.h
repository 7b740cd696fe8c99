// platform/SessionMutex.h: a named mutex that one process of the user's session holds for its life.
#pragma once

#include <windows.h>

class SessionMutex {
public:
    // Opens the mutex of that name, creating it when no process has it open.
    explicit SessionMutex(const char* name);
    // Releases the mutex when this thread holds it, then closes it.
    ~SessionMutex();
    SessionMutex(const SessionMutex&) = delete;
    SessionMutex& operator=(const SessionMutex&) = delete;

    // Takes the mutex for this thread when it is free or was left by a process that ended without releasing
    // it. True when this thread holds it, and also when the system could not make the mutex: nothing guards
    // then.
    bool TryTake();

private:
    HANDLE handle_;
    bool held_ = false;
};
