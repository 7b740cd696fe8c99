// tests/win/WinTestFiles.cpp: scratch folders, bitmap writing and pixel read-back for the Windows tests.
#include "WinTestFiles.h"

#include <cstdio>

namespace wintest {

namespace {

void Put(std::vector<std::uint8_t>& b, std::uint32_t v, int size)
{
    for (int i = 0; i < size; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = dir + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

}  // namespace

ScratchDir::ScratchDir()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static unsigned counter = 0;
    path_ = std::string(temp) + "launcher-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

std::string ScratchDir::Write(const std::string& relative, const std::vector<std::uint8_t>& bytes) const
{
    const std::string path = path_ + "\\" + relative;
    for (std::size_t slash = relative.find('\\'); slash != std::string::npos; slash = relative.find('\\', slash + 1))
        CreateDirectoryA((path_ + "\\" + relative.substr(0, slash)).c_str(), nullptr);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file != nullptr) {
        if (!bytes.empty())
            std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    return path;
}

std::vector<std::uint8_t> Bitmap24(int width, int height, std::uint32_t (*colour)(int x, int y))
{
    const int row = (width * 3 + 3) & ~3;
    std::vector<std::uint8_t> b = {'B', 'M'};
    Put(b, 54 + row * height, 4);
    Put(b, 0, 4);
    Put(b, 54, 4);
    Put(b, 40, 4);
    Put(b, width, 4);
    Put(b, height, 4);
    Put(b, 1, 2);
    Put(b, 24, 2);
    for (int i = 0; i < 6; ++i)
        Put(b, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x)
            Put(b, colour(x, y), 3);
        b.resize(b.size() + (row - width * 3), 0);
    }
    return b;
}

std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (std::uint32_t& p : pixels)
        p &= 0xFFFFFF;
    return pixels;
}

std::string BmpSuiteDir()
{
    char value[MAX_PATH] = {};
    if (GetEnvironmentVariableA("BMPSUITE_DIR", value, MAX_PATH) == 0)
        return "";
    return value;
}

}  // namespace wintest
