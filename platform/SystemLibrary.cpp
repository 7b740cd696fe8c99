// platform/SystemLibrary.cpp: loading a DLL from the system folder.
#include "platform/SystemLibrary.h"

#include <string>

SystemLibrary::SystemLibrary(const char* name)
{
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        module_ = LoadLibraryA((std::string(folder, length) + "\\" + name).c_str());
}

SystemLibrary::~SystemLibrary()
{
    if (module_ != nullptr)
        FreeLibrary(module_);
}
