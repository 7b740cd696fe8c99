// app/SessionLauncher.cpp: the session's launcher lock, and how a second start finds and calls the running launcher.
#include "app/SessionLauncher.h"

#include "platform/SystemLibrary.h"

namespace {

// Named for the product, not for its path: a copy of the medium in another folder or on another drive is
// the same launcher. "Local\" is the user session's namespace, so every session gets a launcher of its own.
constexpr char LockName[] = "Local\\VeltranaLauncher";
constexpr char WindowMark[] = "VeltranaLauncher";
// A launcher that holds the lock but has no marked window yet is still starting, or is ending and frees the
// lock soon: a second start looks again every 100 ms, for 5 s at most.
constexpr DWORD WaitStep = 100;
constexpr int WaitSteps = 50;

HWND RunningLauncherWindow()
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, "TApplication", nullptr)) != nullptr) {
        if (GetPropA(window, WindowMark) != nullptr)
            return window;
    }
    return nullptr;
}

bool BringForward(HWND window)
{
    // This start has the user's foreground right; it hands it on, where the system knows how.
    using AllowSetForegroundWindowFn = BOOL(WINAPI*)(DWORD);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (const auto allow = NewerFunction<AllowSetForegroundWindowFn>("user32.dll", "AllowSetForegroundWindow"))
        allow(process);
    return PostMessageA(window, ComeForwardMessage(), 0, 0) != FALSE;
}

}  // namespace

SessionLauncher::SessionLauncher() : lock_(LockName)
{
    for (int step = 0; !lock_.TryTake(); ++step) {
        const HWND running = RunningLauncherWindow();
        if ((running != nullptr && BringForward(running)) || step == WaitSteps)
            ExitProcess(0);
        Sleep(WaitStep);
    }
}

void MarkLauncherWindow(HWND applicationWindow)
{
    SetPropA(applicationWindow, WindowMark, reinterpret_cast<HANDLE>(1));
}

void UnmarkLauncherWindow(HWND applicationWindow) { RemovePropA(applicationWindow, WindowMark); }

UINT ComeForwardMessage()
{
    static const UINT message = RegisterWindowMessageA("VeltranaLauncher.ComeForward");
    return message;
}
