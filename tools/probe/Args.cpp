// tools/probe/Args.cpp: the probe's argument parsing, failures and answer files.
#include "tools/probe/Args.h"

#include <cwchar>

#include "core/Error.h"
#include "tools/probe/Handles.h"
#include "tools/probe/Json.h"

namespace probe {

[[noreturn]] void Fail(const std::string& message)
{
    throw Error(ErrorKind::EOSError, message);
}

[[noreturn]] void FailCall(const char* call)
{
    Fail(std::string(call) + " failed, error " + std::to_string(GetLastError()));
}

void NeedArgs(const Args& args, size_t count, const char* usage)
{
    if (args.size() != count) {
        Fail(std::string("usage: ") + usage);
    }
}

unsigned long long Number(const std::wstring& text)
{
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(text.c_str(), &end, 0);
    if (text.empty() || *end != L'\0') {
        Fail("not a number: " + json::Utf8(text));
    }
    return value;
}

long SignedNumber(const std::wstring& text)
{
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 0);
    if (text.empty() || *end != L'\0') {
        Fail("not a number: " + json::Utf8(text));
    }
    return value;
}

HWND WindowArg(const std::wstring& text)
{
    const HWND hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(Number(text)));
    if (!IsWindow(hwnd)) {
        Fail("no such window: " + json::Utf8(text));
    }
    return hwnd;
}

void WriteWholeFile(const std::wstring& path, const std::string& bytes)
{
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        *file.Out() = nullptr;
        FailCall("CreateFileW");
    }
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        FailCall("WriteFile");
    }
}

}  // namespace probe
