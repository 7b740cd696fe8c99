// platform/Window.cpp: class registration, the window procedure thunk and screen centring.
#include "platform/Window.h"

#include <utility>

#include "platform/Guard.h"
#include "platform/SystemError.h"

namespace {

void RegisterOnce(const char* className, UINT classStyle, WNDPROC procedure)
{
    WNDCLASSA existing;
    if (GetClassInfoA(GetModuleHandleA(nullptr), className, &existing))
        return;
    WNDCLASSA wc{};
    wc.style = classStyle;
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = LoadIconA(wc.hInstance, "MAINICON");
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc))
        throw OSError(GetLastError());
}

}  // namespace

Window::~Window() { Destroy(); }

void Window::Destroy()
{
    if (hwnd_ == nullptr)
        return;
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(std::exchange(hwnd_, nullptr));
}

void Window::Create(const char* className, UINT classStyle, DWORD style, DWORD exStyle, const char* caption,
                    const RECT& bounds, HWND owner)
{
    RegisterOnce(className, classStyle, &Window::Procedure);
    if (!CreateWindowExA(exStyle, className, caption, style, bounds.left, bounds.top, bounds.right - bounds.left,
                         bounds.bottom - bounds.top, owner, nullptr, GetModuleHandleA(nullptr), this))
        throw OSError(GetLastError());
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    Guarded([&] { result = self->HandleMessage(message, wParam, lParam); });
    return result;
}

void CentreOnScreen(HWND window)
{
    RECT bounds;
    GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (left < 0)
        left = 0;
    if (top < 0)
        top = 0;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
