// platform/ErrorMode.cpp: the calling thread's error mode, or the process's where the system has no thread mode.
#include "platform/ErrorMode.h"

#include "platform/SystemLibrary.h"

namespace {

using SetThreadErrorModeFn = BOOL(WINAPI*)(DWORD, LPDWORD);

SetThreadErrorModeFn ThreadModeSetter()
{
    static const auto setter = NewerFunction<SetThreadErrorModeFn>("kernel32.dll", "SetThreadErrorMode");
    return setter;
}

}  // namespace

// The other flags of the mode are kept.
CriticalErrorsFail::CriticalErrorsFail()
{
    if (const auto setThreadMode = ThreadModeSetter()) {
        setThreadMode(SEM_FAILCRITICALERRORS, &previous_);
        setThreadMode(previous_ | SEM_FAILCRITICALERRORS, nullptr);
    } else {
        previous_ = SetErrorMode(SEM_FAILCRITICALERRORS);
        SetErrorMode(previous_ | SEM_FAILCRITICALERRORS);
    }
}

CriticalErrorsFail::~CriticalErrorsFail()
{
    if (const auto setThreadMode = ThreadModeSetter())
        setThreadMode(previous_, nullptr);
    else
        SetErrorMode(previous_);
}
