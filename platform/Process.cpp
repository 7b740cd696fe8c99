// platform/Process.cpp: process start through WinExec.
#include "platform/Process.h"

#include <windows.h>

#include "platform/ErrorMode.h"

void StartProgram(const std::string& commandLine, int showCommand)
{
    // A program on a drive without a disc fails to start instead of raising the "no disk" box.
    const CriticalErrorsFail quiet(CriticalErrorsFail::Fallback::Nothing);
    WinExec(commandLine.c_str(), static_cast<UINT>(showCommand));
}
