// tests/e2e/planted/PlantedLibrary.cpp: a library planted beside the launcher under a system library's name.
// Loaded by mistake, it appends its own path to the file PLANTED_MARKER names; its functions do nothing.
#include <windows.h>

namespace {

void LeaveMarker(HMODULE self)
{
    char marker[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("PLANTED_MARKER", marker, MAX_PATH) == 0)
        return;
    const DWORD length = GetModuleFileNameA(self, path, MAX_PATH - 2);
    path[length] = '\r';
    path[length + 1] = '\n';
    HANDLE file = CreateFileA(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, path, length + 2, &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        LeaveMarker(self);
    return TRUE;
}

// What the launcher takes from winmm.dll and oleacc.dll.
__declspec(dllexport) BOOL WINAPI PlaySoundA(LPCSTR, HMODULE, DWORD) { return FALSE; }
__declspec(dllexport) LRESULT WINAPI LresultFromObject(const GUID&, WPARAM, void*) { return E_FAIL; }
__declspec(dllexport) HRESULT WINAPI CreateStdAccessibleObject(HWND, LONG, const GUID&, void**) { return E_FAIL; }

}
