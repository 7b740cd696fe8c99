// app/Application.h: the application object: title, icon, the hidden owner window with the taskbar button, the loop.
#pragma once

#include <memory>
#include <string>

#include "platform/Window.h"

class TInstallForm;
class TForm1;

class TApplication : public Window {
public:
    TApplication();
    ~TApplication() override;

    const std::string& GetApplicationTitle() const { return ApplicationTitle; }
    HICON Icon() const { return icon_; }

    // The first form created becomes the main window; the application owns both.
    void CreateForms();
    // Shows the main window in the start-up show state and dispatches messages
    // until Terminate is called.
    void Run();
    void Terminate();

    void ShowMainWindow(int showCommand);
    void Minimize();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnRestore();
    void OnComeForward();
    void OnActivate();
    void DispatchOne(MSG& message);

    std::string ApplicationTitle;
    HICON icon_ = nullptr;
    std::unique_ptr<TInstallForm> installForm_;
    std::unique_ptr<TForm1> form1_;
    bool mainShowPending_ = false;
};

extern TApplication* Application;
extern TInstallForm* InstallForm;
extern TForm1* Form1;

// The show state the process was started with: its start-up information's
// show-window value when given, else 10 (show default).
int StartupShowState();
