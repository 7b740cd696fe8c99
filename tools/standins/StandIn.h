// tools/standins/StandIn.h: what the medium's stand-in programs share: the call log, test mode and the idle wait.
#pragma once

#include <string>

namespace standin {

// Test mode: STANDIN_LOG names a log file. The programs then open no window.
bool IsTestMode();

// Appends "NAME\tCOMMANDLINE\tCURRENTDIR\tSHOWSTATE\r\n" to the STANDIN_LOG file; SHOWSTATE is the
// start-up show state (GetStartupInfo), or "none".
void AppendLog(const char* name);

// The whole contents of a file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& contents);

// The directory of this executable, with a trailing backslash.
std::string ModuleDirectory();

// Whether the command line, after the program name, holds the switch (case-insensitive).
bool HasSwitch(const char* sw);

// Runs a message loop with no window for about the given time, so that a parent
// waiting for this process's first wait for input is released.
void WaitIdle(unsigned milliseconds);

void ShowDemoBox(const char* text);

// The common flow: log and idle in test mode, the demo box otherwise.
int Run(const char* name, const char* demoText);

}  // namespace standin
