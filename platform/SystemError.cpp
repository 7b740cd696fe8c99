// platform/SystemError.cpp: system error texts from FormatMessage.
#include "platform/SystemError.h"

#include <windows.h>

Error OSError(unsigned long code)
{
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = "System Error.  Code: " + std::to_string(code) + ".\r\n" + (text != nullptr ? text : "");
    LocalFree(text);
    return Error(ErrorKind::EOSError, message);
}
