// platform/Wow64.cpp: the WOW64 question, asked only where kernel32 can answer it, and the other registry view.
#include "platform/Wow64.h"

#include "platform/SystemLibrary.h"

bool RunsUnderWow64()
{
    // Looked up at run time: kernel32 has it from XP SP2 on.
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = NewerFunction<IsWow64ProcessFn>("kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

REGSAM OtherRegistryView()
{
#ifdef _WIN64
    return KEY_WOW64_32KEY;
#else
    return RunsUnderWow64() ? KEY_WOW64_64KEY : 0;
#endif
}
