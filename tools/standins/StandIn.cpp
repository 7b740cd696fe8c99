// tools/standins/StandIn.cpp: the stand-ins' shared log, switch parsing, idle wait and demo box.
#include "StandIn.h"

#include <windows.h>

#include <cctype>
#include <string>
#include <vector>

namespace standin {
namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    ~FileHandle()
    {
        if (h_ != INVALID_HANDLE_VALUE)
            CloseHandle(h_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return h_; }
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

std::string LogPath()
{
    DWORD n = GetEnvironmentVariableA("STANDIN_LOG", nullptr, 0);
    if (n == 0)
        return std::string();
    std::vector<char> buf(n);
    DWORD got = GetEnvironmentVariableA("STANDIN_LOG", buf.data(), n);
    return got > 0 && got < n ? std::string(buf.data(), got) : std::string();
}

std::string CurrentDirectory()
{
    DWORD n = GetCurrentDirectoryA(0, nullptr);
    std::vector<char> buf(n + 1);
    DWORD got = GetCurrentDirectoryA(static_cast<DWORD>(buf.size()), buf.data());
    return std::string(buf.data(), got < buf.size() ? got : 0);
}

// Skips the program name of a command line, quoted or not.
const char* SkipProgramName(const char* p)
{
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    return p;
}

// The show state this program was started with, as its start-up information
// gives it, or "none" when the starter set none.
std::string StartupShowState()
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? std::to_string(startup.wShowWindow) : "none";
}

}  // namespace

bool IsTestMode()
{
    return !LogPath().empty();
}

void AppendLog(const char* name)
{
    std::string path = LogPath();
    if (path.empty())
        return;
    std::string line = std::string(name) + "\t" + GetCommandLineA() + "\t" + CurrentDirectory() + "\t" +
                       StartupShowState() + "\r\n";
    // FILE_APPEND_DATA alone makes every write land at the end, also with several writers.
    FileHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return;
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

bool ReadWholeFile(const std::string& path, std::string& contents)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    contents.clear();
    char buf[512];
    DWORD got = 0;
    while (ReadFile(file.Get(), buf, sizeof buf, &got, nullptr) && got > 0)
        contents.append(buf, got);
    return true;
}

std::string ModuleDirectory()
{
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string path(buf, n);
    std::string::size_type slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool HasSwitch(const char* sw)
{
    const char* p = SkipProgramName(GetCommandLineA());
    std::string wanted(sw);
    while (*p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        const char* start = p;
        while (*p && *p != ' ' && *p != '\t')
            ++p;
        std::string word(start, p);
        if (word.size() == wanted.size()) {
            bool same = true;
            for (std::string::size_type i = 0; i < word.size(); ++i)
                same = same && std::tolower(static_cast<unsigned char>(word[i])) ==
                                   std::tolower(static_cast<unsigned char>(wanted[i]));
            if (same)
                return true;
        }
    }
    return false;
}

void WaitIdle(unsigned milliseconds)
{
    // A thread timer needs no window; GetMessage on an empty queue is the wait for input.
    UINT_PTR timer = SetTimer(nullptr, 0, milliseconds, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.wParam == timer)
            break;
        DispatchMessageA(&msg);
    }
    KillTimer(nullptr, timer);
}

void ShowDemoBox(const char* text)
{
    MessageBoxA(nullptr, text, "Veltrana CD", MB_OK | MB_ICONINFORMATION);
}

int Run(const char* name, const char* demoText)
{
    if (IsTestMode()) {
        AppendLog(name);
        WaitIdle(1000);
    } else {
        ShowDemoBox(demoText);
    }
    return 0;
}

}  // namespace standin
