// platform/SystemError.cpp: system error texts from FormatMessage.
#include "platform/SystemError.h"

#include <windows.h>

namespace {

// The system's texts end in a line break, which would leave an empty last line
// in the error box and put a control character before the period rule.
std::string WithoutTrailingBreaks(std::string text)
{
    text.erase(text.find_last_not_of("\r\n \t") + 1);
    return text;
}

}  // namespace

Error OSError(unsigned long code)
{
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    const std::string message = WithoutTrailingBreaks(text != nullptr ? text : "");
    LocalFree(text);
    return Error(ErrorKind::EOSError, "System Error.  Code: " + std::to_string(code) + ".\r\n" + message);
}
