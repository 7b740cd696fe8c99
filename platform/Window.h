// platform/Window.h: a window class that owns its HWND and dispatches its messages under the guard.
#pragma once

#include <windows.h>

class Window {
public:
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return hwnd_; }

protected:
    Window() = default;

    // Registers the class on first use; every instance's messages reach HandleMessage.
    void Create(const char* className, UINT classStyle, DWORD style, DWORD exStyle, const char* caption,
                const RECT& bounds, HWND owner);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Destroys the window and its controls now, before the derived class's
    // members (fonts, say) that they still use go.
    void Destroy();

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

// Centres a window on the screen, raised to 0 where it does not fit.
void CentreOnScreen(HWND window);
