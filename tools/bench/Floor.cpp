// tools/bench/Floor.cpp: the start-up benchmarks' floor: reads both English skin files whole, then shows one
// empty 607 x 425 window (the menu window's size, grown as the menu window grows) that quits when closed.
#include <windows.h>

namespace {

// Reads a file from the current directory in one call; a missing file reads nothing. No C++ runtime, so the
// floor's own executable stays as small as a Win32 program can be.
void ReadWhole(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const DWORD size = GetFileSize(file, nullptr);
    void* bytes = VirtualAlloc(nullptr, size + 1, MEM_COMMIT, PAGE_READWRITE);
    DWORD got = 0;
    if (bytes)
        ReadFile(file, bytes, size + 1, &got, nullptr);
    VirtualFree(bytes, 0, MEM_RELEASE);
    CloseHandle(file);
}

LRESULT CALLBACK FloorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Where the system's frame takes more than the classic one (Wine 10, Windows 10 and 11), the window grows until
// its client area is width x height, as the launcher's does, so the watcher finds all of it.
void GrowToClient(HWND hwnd, LONG width, LONG height)
{
    RECT client, outer;
    GetClientRect(hwnd, &client);
    GetWindowRect(hwnd, &outer);
    const LONG moreWidth = client.right < width ? width - client.right : 0;
    const LONG moreHeight = client.bottom < height ? height - client.bottom : 0;
    if (moreWidth > 0 || moreHeight > 0)
        SetWindowPos(hwnd, nullptr, 0, 0, outer.right - outer.left + moreWidth, outer.bottom - outer.top + moreHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    ReadWhole("Autorun\\English\\ZoBack_Eng.bmp");
    ReadWhole("Autorun\\English\\ZoFore_Eng.bmp");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "BenchFloor";
    if (!RegisterClassA(&wc))
        return 1;
    HWND hwnd = CreateWindowA("BenchFloor", "Floor", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 607, 425,
                              nullptr, nullptr, instance, nullptr);
    if (!hwnd)
        return 1;
    GrowToClient(hwnd, 600, 400);
    ShowWindow(hwnd, show);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
