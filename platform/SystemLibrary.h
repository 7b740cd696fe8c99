// platform/SystemLibrary.h: system libraries taken from the system folder only, and functions newer systems add.
#pragma once

#include <windows.h>

// Windows looks for a library that is not one of its known DLLs first in the program's own folder, where
// a copied or downloaded medium may hold a planted file of the same name. These calls never look there.

// From here on, libraries loaded by name come from the system folder only, where the system can be told so
// (Windows 8, and Vista and 7 with the update that adds SetDefaultDllDirectories). True when it could.
bool RestrictLibrarySearchToSystemFolder();

// Loads the library by its full path in the system folder and keeps it for the life of the process (a sound
// it plays in the background may outlast every caller); null when it cannot be loaded.
HMODULE SystemLibrary(const char* name);

// A function of a loaded module, by name; null when the module or the function is missing.
template <class Function>
Function FunctionOf(HMODULE module, const char* name)
{
    return module == nullptr ? nullptr
                             : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A function of a system library; null when the library or the function is missing. Callers keep what they
// get, so each library is looked up once per use.
template <class Function>
Function SystemFunction(const char* library, const char* name)
{
    return FunctionOf<Function>(SystemLibrary(library), name);
}

// A function of a known DLL the launcher imports, which older versions of Windows lack; null there.
template <class Function>
Function NewerFunction(const char* knownDll, const char* name)
{
    return FunctionOf<Function>(GetModuleHandleA(knownDll), name);
}
