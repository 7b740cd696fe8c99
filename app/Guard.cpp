// app/Guard.cpp: reporting an error that escaped a handler.
#include "app/Guard.h"

#include <windows.h>

#include "app/ErrorBox.h"

void ReportHandlerError(const std::exception& error) noexcept
{
    if (HWND capture = GetCapture())
        SendMessageA(capture, WM_CANCELMODE, 0, 0);
    ShowErrorBox(error.what());
}
