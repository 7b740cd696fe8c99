// platform/Wow64.h: the registry views of 64-bit Windows, as this process reaches them.
#pragma once

#include <windows.h>

// True for a 32-bit process on 64-bit Windows (WOW64); false on 32-bit Windows, for a 64-bit process and
// on systems that predate the question.
bool RunsUnderWow64();

// The access flag of the registry view this process does not open by default: the 64-bit view for a
// 32-bit process on 64-bit Windows, the 32-bit view for a 64-bit process; 0 where there is only one view.
REGSAM OtherRegistryView();
