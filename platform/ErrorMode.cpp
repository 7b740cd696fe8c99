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
CriticalErrorsFail::CriticalErrorsFail(Fallback fallback)
{
    if (const auto setThreadMode = ThreadModeSetter()) {
        setThreadMode(SEM_FAILCRITICALERRORS, &previous_);
        setThreadMode(previous_ | SEM_FAILCRITICALERRORS, nullptr);
        changed_ = Changed::Thread;
    } else if (fallback == Fallback::ProcessMode) {
        previous_ = SetErrorMode(SEM_FAILCRITICALERRORS);
        SetErrorMode(previous_ | SEM_FAILCRITICALERRORS);
        changed_ = Changed::Process;
    }
}

CriticalErrorsFail::~CriticalErrorsFail()
{
    if (changed_ == Changed::Thread)
        ThreadModeSetter()(previous_, nullptr);
    else if (changed_ == Changed::Process)
        SetErrorMode(previous_);
}
