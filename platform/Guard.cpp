// platform/Guard.cpp: reporting an error that escaped a handler.
#include "platform/Guard.h"

#include <windows.h>

namespace {
ErrorReporter reporter = nullptr;
}

void SetErrorReporter(ErrorReporter handedOver) { reporter = handedOver; }

void ReportHandlerError(const std::exception& error) noexcept
{
    if (HWND capture = GetCapture())
        SendMessageA(capture, WM_CANCELMODE, 0, 0);
    if (reporter != nullptr)
        reporter(error.what());
}
