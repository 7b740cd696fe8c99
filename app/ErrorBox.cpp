// app/ErrorBox.cpp: the error box, with its period rule, disabled windows and monitor placement.
#include "app/ErrorBox.h"

#include <vector>

#include <windows.h>

#include "app/Application.h"
#include "core/PeriodRule.h"
#include "platform/AnsiText.h"
#include "platform/SystemLibrary.h"

namespace {

// Disables the thread's visible, enabled top-level windows for its lifetime,
// then enables those that still exist and reactivates the window that was active.
class TaskWindowsDisabled {
public:
    explicit TaskWindowsDisabled(HWND except) : except_(except), active_(GetActiveWindow())
    {
        EnumThreadWindows(GetCurrentThreadId(), &TaskWindowsDisabled::Visit, reinterpret_cast<LPARAM>(this));
    }
    ~TaskWindowsDisabled()
    {
        for (HWND window : disabled_) {
            if (IsWindow(window))
                EnableWindow(window, TRUE);
        }
        if (active_ != nullptr && IsWindow(active_))
            SetActiveWindow(active_);
    }
    TaskWindowsDisabled(const TaskWindowsDisabled&) = delete;
    TaskWindowsDisabled& operator=(const TaskWindowsDisabled&) = delete;

    HWND Active() const { return active_; }

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM self)
    {
        auto* state = reinterpret_cast<TaskWindowsDisabled*>(self);
        if (window != state->except_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            state->disabled_.push_back(window);
        }
        return TRUE;
    }

    HWND except_;
    HWND active_;
    std::vector<HWND> disabled_;
};

// Moves the application window to the centre of the active window's monitor
// when that differs from its own, and back afterwards. The monitor functions
// are looked up at run time: systems before Windows 98 and 2000 lack them.
class OnActiveMonitor {
public:
    OnActiveMonitor(HWND appWindow, HWND active) : appWindow_(appWindow)
    {
        using MonitorFromWindowFn = HMONITOR(WINAPI*)(HWND, DWORD);
        using GetMonitorInfoFn = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
        const auto fromWindow = NewerFunction<MonitorFromWindowFn>("user32.dll", "MonitorFromWindow");
        const auto getInfo = NewerFunction<GetMonitorInfoFn>("user32.dll", "GetMonitorInfoA");
        if (fromWindow == nullptr || getInfo == nullptr || active == nullptr)
            return;
        HMONITOR target = fromWindow(active, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (target == fromWindow(appWindow, MONITOR_DEFAULTTONEAREST) || !getInfo(target, &info))
            return;
        GetWindowRect(appWindow, &original_);
        moved_ = true;
        MoveTo((info.rcMonitor.left + info.rcMonitor.right) / 2, (info.rcMonitor.top + info.rcMonitor.bottom) / 2);
    }
    ~OnActiveMonitor()
    {
        if (moved_)
            MoveTo(original_.left, original_.top);
    }
    OnActiveMonitor(const OnActiveMonitor&) = delete;
    OnActiveMonitor& operator=(const OnActiveMonitor&) = delete;

private:
    void MoveTo(int x, int y)
    {
        SetWindowPos(appWindow_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HWND appWindow_;
    RECT original_{};
    bool moved_ = false;
};

}  // namespace

void ShowErrorBox(const std::string& message)
{
    const std::string text = WithClosingPeriod(message, IsAnsiLeadByte);
    HWND owner = Application != nullptr ? Application->Handle() : nullptr;
    const std::string caption = Application != nullptr ? Application->GetApplicationTitle() : std::string();
    const TaskWindowsDisabled disabled(owner);
    const OnActiveMonitor placed(owner, disabled.Active());
    MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONSTOP);
}
