// app/Application.cpp: title derivation, the application window and the event loop.
#include "app/Application.h"

#include "app/ErrorBox.h"
#include "app/SessionLauncher.h"
#include "platform/Guard.h"
#include "core/Title.h"
#include "menu/InstallForm.h"
#include "platform/AnsiText.h"
#include "platform/Sound.h"
#include "uninstall/SelectForm.h"

TApplication* Application = nullptr;
TInstallForm* InstallForm = nullptr;
TForm1* Form1 = nullptr;

namespace {

std::string DeriveTitle()
{
    char path[256] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    path[sizeof path - 1] = '\0';
    OemToCharA(path, path);
    TitleParts parts = SplitTitle(path, IsAnsiLeadByte);
    if (parts.lowerFrom < parts.text.size())
        CharLowerA(&parts.text[parts.lowerFrom]);
    return parts.text;
}

RECT ZeroSizeAtScreenCentre()
{
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    return {x, y, x, y};
}

// The thread's front-most visible window that takes input, other than the application window: the error box
// while one is up (it disables the others), else the uninstall dialog or the menu, whichever lies in front.
HWND FrontWindowOfThread(HWND applicationWindow)
{
    for (HWND window = GetTopWindow(nullptr); window != nullptr; window = GetWindow(window, GW_HWNDNEXT)) {
        if (window != applicationWindow && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() &&
            IsWindowVisible(window) && IsWindowEnabled(window))
            return window;
    }
    return nullptr;
}

}  // namespace

TApplication::TApplication() : ApplicationTitle(DeriveTitle()), icon_(LoadIconA(GetModuleHandleA(nullptr), "MAINICON"))
{
    Application = this;
    SetErrorReporter(ShowErrorBox);
    // A pop-up keeps its zero size; unowned, it carries the only taskbar button.
    Create("TApplication", 0, WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, 0,
           ApplicationTitle.c_str(), ZeroSizeAtScreenCentre(), nullptr);
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    MarkLauncherWindow(Handle());
}

TApplication::~TApplication()
{
    form1_.reset();
    Form1 = nullptr;
    installForm_.reset();
    InstallForm = nullptr;
    Application = nullptr;
}

void TApplication::CreateForms()
{
    installForm_ = std::make_unique<TInstallForm>(Handle());
    InstallForm = installForm_.get();
    form1_ = std::make_unique<TForm1>(Handle());
    Form1 = form1_.get();
}

int StartupShowState()
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
}

void TApplication::Run()
{
    const int state = StartupShowState();
    if (state == SW_SHOWMINNOACTIVE)
        Minimize();
    else
        ShowMainWindow(state == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchOne(message);
    // A start from now on waits for this launcher to end and then runs on its own.
    UnmarkLauncherWindow(Handle());
    // The press that ended the run has just started its click sound on a new thread. A process that ends
    // while that thread still starts up can crash in Wine; the sound would end with the process anyway.
    StopSound();
}

void TApplication::DispatchOne(MSG& message)
{
    bool handled = false;
    Guarded([&] { handled = Form1 != nullptr && Form1->PreTranslate(message); });
    if (handled)
        return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

void TApplication::Terminate() { PostQuitMessage(0); }

void TApplication::ShowMainWindow(int showCommand)
{
    mainShowPending_ = false;
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    InstallForm->Show(showCommand);
}

void TApplication::Minimize()
{
    // The main window stays hidden until the application is restored.
    mainShowPending_ = !IsWindowVisible(InstallForm->Handle());
    ShowOwnedPopups(Handle(), FALSE);
    ShowWindow(Handle(), SW_SHOWMINNOACTIVE);
}

void TApplication::OnRestore()
{
    ShowOwnedPopups(Handle(), TRUE);
    if (mainShowPending_)
        ShowMainWindow(SW_SHOWNORMAL);
}

void TApplication::OnComeForward()
{
    // Restored as its taskbar button restores it, which also shows a main window still pending.
    if (IsIconic(Handle()))
        SendMessageA(Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    if (const HWND front = FrontWindowOfThread(Handle()))
        SetForegroundWindow(front);
}

void TApplication::OnActivate()
{
    HWND main = InstallForm != nullptr ? InstallForm->Handle() : nullptr;
    if (main != nullptr && IsWindowVisible(main) && IsWindowEnabled(main))
        SetActiveWindow(main);
}

LRESULT TApplication::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Posted by a second start; its modal loop dispatches it too while an error box is up.
    if (message == ComeForwardMessage()) {
        OnComeForward();
        return 0;
    }
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_RESTORE && IsIconic(Handle())) {
            const LRESULT result = Window::HandleMessage(message, wParam, lParam);
            OnRestore();
            return result;
        }
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            OnActivate();
        return 0;
    case WM_CLOSE:
        // Closing from the taskbar closes the main window, which ends the run.
        if (InstallForm != nullptr)
            PostMessageA(InstallForm->Handle(), WM_CLOSE, 0, 0);
        return 0;
    }
    return Window::HandleMessage(message, wParam, lParam);
}
