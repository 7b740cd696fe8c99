// platform/Process.h: starts a program from a command line.
#pragma once

#include <string>

// WinExec: returns once the program first waits for input or the platform's
// time-out passes. The launcher never looks at the outcome.
void StartProgram(const std::string& commandLine, int showCommand);
