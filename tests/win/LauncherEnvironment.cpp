// tests/win/LauncherEnvironment.cpp: a skin folder, the application and its forms for in-process window tests.
#include "LauncherEnvironment.h"

#include <string>

namespace wintest {

namespace {

std::uint32_t Back(int x, int y) { return static_cast<std::uint32_t>(0x203040 + x * 3 + y); }
std::uint32_t Fore(int x, int y) { return static_cast<std::uint32_t>(0x607080 + x + y * 5); }

// Without a window manager Wine waits 2 s for every hidden window it takes as managed; this program's
// windows are left unmanaged instead (read when the display driver loads, before the first window).
void UnmanagedWindows()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string module = path;
    const std::string key = "Software\\Wine\\AppDefaults\\" + module.substr(module.find_last_of('\\') + 1) +
                            "\\X11 Driver";
    HKEY handle = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(handle, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        RegCloseKey(handle);
    }
}

}  // namespace

void LauncherEnvironment::SetUp()
{
    UnmanagedWindows();
    GetCurrentDirectoryA(MAX_PATH, previous_);
    dir_ = std::make_unique<ScratchDir>();
    for (const char* language : {"English\\ZoBack_Eng", "Korean\\ZoBack_Kor"})
        dir_->Write(std::string("Autorun\\") + language + ".bmp", Bitmap24(600, 400, Back));
    for (const char* language : {"English\\ZoFore_Eng", "Korean\\ZoFore_Kor"})
        dir_->Write(std::string("Autorun\\") + language + ".bmp", Bitmap24(600, 400, Fore));
    SetCurrentDirectoryA(dir_->Path().c_str());
    app_ = std::make_unique<TApplication>();
    app_->CreateForms();
}

void LauncherEnvironment::TearDown()
{
    app_.reset();
    SetCurrentDirectoryA(previous_);
    dir_.reset();
}

void PumpMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace wintest
