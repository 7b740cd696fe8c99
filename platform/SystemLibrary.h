// platform/SystemLibrary.h: a DLL of the system folder, loaded by its full path and freed on scope exit.
#pragma once

#include <windows.h>

// Loaded by full path, so that a file of the same name beside the executable (on the medium) is never used.
class SystemLibrary {
public:
    explicit SystemLibrary(const char* name);
    ~SystemLibrary();
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    // The exported function, or null when the library or the export is missing.
    template <class Function>
    Function Proc(const char* name) const
    {
        if (module_ == nullptr)
            return nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_ = nullptr;
};
