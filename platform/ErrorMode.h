// platform/ErrorMode.h: reads of the medium that fail at once on an empty drive instead of asking for a disc.
#pragma once

#include <windows.h>

// For its lifetime, critical errors fail back to the caller: a read of a drive without a disc answers
// ERROR_NOT_READY instead of raising the system's "no disk" box. Only the calling thread's mode is changed
// where the system can (Windows 7 and later); elsewhere the process mode is changed and restored at the end
// of the read. A process mode left in place would be inherited by every program the launcher starts, and an
// installer that asks for its next disc must still get the system's box.
class CriticalErrorsFail {
public:
    // What to do where the system has no thread mode. Around a program start the process mode must stay as
    // it is, since the started program would inherit it.
    enum class Fallback { ProcessMode, Nothing };

    explicit CriticalErrorsFail(Fallback fallback = Fallback::ProcessMode);
    ~CriticalErrorsFail();
    CriticalErrorsFail(const CriticalErrorsFail&) = delete;
    CriticalErrorsFail& operator=(const CriticalErrorsFail&) = delete;

private:
    enum class Changed { Thread, Process, Nothing };

    Changed changed_ = Changed::Nothing;
    DWORD previous_ = 0;
};
