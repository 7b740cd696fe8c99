// platform/Process.cpp: process start through WinExec.
#include "platform/Process.h"

#include <windows.h>

void StartProgram(const std::string& commandLine, int showCommand)
{
    WinExec(commandLine.c_str(), static_cast<UINT>(showCommand));
}
