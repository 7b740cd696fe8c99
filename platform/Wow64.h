// platform/Wow64.h: whether this 32-bit process runs on 64-bit Windows.
#pragma once

// True under WOW64, where the registry has a separate 64-bit view; false on
// 32-bit Windows and on systems that predate the question.
bool RunsUnderWow64();
