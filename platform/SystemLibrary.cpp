// platform/SystemLibrary.cpp: loading system libraries by full path, and the process-wide search restriction.
#include "platform/SystemLibrary.h"

#include <string>

bool RestrictLibrarySearchToSystemFolder()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    const auto restrict = NewerFunction<SetDefaultDllDirectoriesFn>("kernel32.dll", "SetDefaultDllDirectories");
    return restrict != nullptr && restrict(kSearchSystem32);
}

HMODULE SystemLibrary(const char* name)
{
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    // The altered search path looks for the library's own dependencies in the system folder too.
    const std::string path = std::string(folder, length) + "\\" + name;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
