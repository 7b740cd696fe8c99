// platform/SessionMutex.cpp: the named mutex's handle, taken without waiting and released as it closes.
#include "platform/SessionMutex.h"

SessionMutex::SessionMutex(const char* name) : handle_(CreateMutexA(nullptr, FALSE, name)) {}

SessionMutex::~SessionMutex()
{
    if (handle_ == nullptr)
        return;
    if (held_)
        ReleaseMutex(handle_);
    CloseHandle(handle_);
}

bool SessionMutex::TryTake()
{
    if (handle_ == nullptr || held_)
        return true;
    const DWORD result = WaitForSingleObject(handle_, 0);
    held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    return held_;
}
