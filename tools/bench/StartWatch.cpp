// tools/bench/StartWatch.cpp: times a program's start until its window is visible and shows the expected pixels.
//
// Usage: startwatch.exe OUTFILE RUNS MEDIUMDIR BACK.bmp            the floor and the launcher in turn, RUNS
//                                                                  times each, after one unrecorded start of each
//        startwatch.exe OUTFILE floor|launcher MEDIUMDIR BACK.bmp  one start of one program
// Both programs start from MEDIUMDIR (Floor.exe, Launch.exe), with it as their current directory. The launcher's
// expected picture is read from BACK.bmp, a copy outside the medium, so that every read on the medium is the
// program's own. Each run starts the program with CreateProcess, polls its top-level windows until the expected
// one is visible with the expected caption and its client pixels (read back from the screen) equal the expected
// picture, closes it and waits for the process to end. Lines "floor MS" / "launcher MS" go to OUTFILE.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Gdi.h"

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 400;
constexpr int kStride = kWidth * 3;  // already a multiple of 4
constexpr DWORD kTimeoutMs = 30000;

class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h) {}
    ~Handle()
    {
        if (h_)
            CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE Get() const { return h_; }

private:
    HANDLE h_;
};

// A 600 x 400 top-down 24-bit DIB section that screen pixels are copied into.
class Capture {
public:
    Capture() : dc_(nullptr), bitmap_(MakeSection(dc_.Get(), &bits_)), selected_(dc_.Get(), bitmap_.Get()) {}

    bool Shows(HWND hwnd, const std::vector<unsigned char>& expected)
    {
        POINT origin = {0, 0};
        ClientToScreen(hwnd, &origin);
        const WindowDC screen(nullptr);
        const BOOL copied = BitBlt(dc_.Get(), 0, 0, kWidth, kHeight, screen.Get(), origin.x, origin.y, SRCCOPY);
        GdiFlush();
        return copied && std::memcmp(bits_, expected.data(), expected.size()) == 0;
    }

private:
    static HBITMAP MakeSection(HDC dc, void** bits)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = kWidth;
        bi.bmiHeader.biHeight = -kHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        return CreateDIBSection(dc, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
    }

    void* bits_ = nullptr;
    MemoryDC dc_;
    GdiBitmap bitmap_;
    ScopedSelect selected_;
};

struct Target {
    const char* name;
    std::string commandLine;
    std::string currentDir;
    const char* windowClass;
    const char* caption;  // null: any
    std::vector<unsigned char> pixels;
};

struct Search {
    DWORD pid;
    const char* windowClass;
    HWND found;
};

BOOL CALLBACK FindProc(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64];
    if (pid == search->pid && GetClassNameA(hwnd, cls, sizeof cls) && std::strcmp(cls, search->windowClass) == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The 24-bit bottom-up file as top-down rows, the capture's layout.
bool LoadSkin(const std::string& path, std::vector<unsigned char>& rows)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::vector<unsigned char> data;
    unsigned char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    std::fclose(f);
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M')
        return false;
    auto get32 = [&](std::size_t at) {
        return static_cast<long>(data[at] | (data[at + 1] << 8) | (data[at + 2] << 16) | (data[at + 3] << 24));
    };
    const long offset = get32(10), width = get32(18), height = get32(22);
    if (width != kWidth || height != kHeight || data[28] != 24 ||
        data.size() < static_cast<std::size_t>(offset) + kStride * kHeight)
        return false;
    rows.resize(kStride * kHeight);
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(&rows[y * kStride], &data[offset + (kHeight - 1 - y) * kStride], kStride);
    return true;
}

// Milliseconds from CreateProcess to the observation, or a negative value on failure.
double TimeStart(const Target& target, Capture& capture)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi = {};
    std::vector<char> commandLine(target.commandLine.begin(), target.commandLine.end());
    commandLine.push_back('\0');
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, target.currentDir.c_str(),
                        &si, &pi))
        return -1;
    Handle process(pi.hProcess), thread(pi.hThread);
    double elapsed = -2;
    HWND window = nullptr;
    for (;;) {
        Search search = {pi.dwProcessId, target.windowClass, nullptr};
        EnumWindows(FindProc, reinterpret_cast<LPARAM>(&search));
        char caption[128] = "";
        if (search.found && IsWindowVisible(search.found)) {
            window = search.found;
            GetWindowTextA(window, caption, sizeof caption);
            if ((!target.caption || std::strcmp(caption, target.caption) == 0) &&
                capture.Shows(window, target.pixels)) {
                QueryPerformanceCounter(&now);
                elapsed = 1000.0 * (now.QuadPart - start.QuadPart) / frequency.QuadPart;
                break;
            }
        }
        QueryPerformanceCounter(&now);
        if (now.QuadPart - start.QuadPart > frequency.QuadPart * (kTimeoutMs / 1000))
            break;
        Sleep(1);
    }
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.Get(), 15000) != WAIT_OBJECT_0)
        TerminateProcess(process.Get(), 1);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out)
        return 2;
    const std::string medium = argv[3];
    Target launcher = {"launcher", "\"" + medium + "\\Launch.exe\"", medium, "TInstallForm",
                       "Welcome to Veltrana Setup", {}};
    const Target floor = {"floor", "\"" + medium + "\\Floor.exe\"", medium, "BenchFloor", nullptr,
                          std::vector<unsigned char>(kStride * kHeight, 0xFF)};
    if (!LoadSkin(argv[4], launcher.pixels)) {
        std::fprintf(out, "error cannot read the English back image\n");
        std::fclose(out);
        return 1;
    }
    Capture capture;
    int status = 0;
    auto run = [&](const Target& target, bool record) {
        const double ms = TimeStart(target, capture);
        if (ms < 0) {
            std::fprintf(out, "error %s not observed (%g)\n", target.name, ms);
            status = 1;
        } else if (record) {
            std::fprintf(out, "%s %.3f\n", target.name, ms);
        }
        std::fflush(out);
    };
    if (std::strcmp(argv[2], "floor") == 0) {
        run(floor, true);
    } else if (std::strcmp(argv[2], "launcher") == 0) {
        run(launcher, true);
    } else {
        const int runs = std::atoi(argv[2]);
        run(floor, false);  // warm-up: loads Wine's DLLs and the files into the caches
        run(launcher, false);
        for (int i = 0; i < runs && status == 0; ++i) {
            run(floor, true);
            run(launcher, true);
        }
    }
    std::fclose(out);
    return status;
}
