// tools/probe/Args.h: what every probe command shares: its arguments, how it fails, how it writes a file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace probe {

using Args = std::vector<std::wstring>;

// A command fails by throwing; the probe writes the message as its answer.
[[noreturn]] void Fail(const std::string& message);
[[noreturn]] void FailCall(const char* call);

void NeedArgs(const Args& args, size_t count, const char* usage);
unsigned long long Number(const std::wstring& text);
long SignedNumber(const std::wstring& text);
HWND WindowArg(const std::wstring& text);

void WriteWholeFile(const std::wstring& path, const std::string& bytes);

}  // namespace probe
