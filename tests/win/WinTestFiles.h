// tests/win/WinTestFiles.h: scratch folders and bitmap files for the Windows tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

namespace wintest {

// A fresh folder under the temporary directory, removed with its files.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string Write(const std::string& relative, const std::vector<std::uint8_t>& bytes) const;

private:
    std::string path_;
};

// A 24-bit bottom-up bitmap file whose pixel (x, y) is `colour(x, y)` as 0xRRGGBB.
std::vector<std::uint8_t> Bitmap24(int width, int height, std::uint32_t (*colour)(int x, int y));

// The pixels of a GDI bitmap as 0xRRGGBB, top row first.
std::vector<std::uint32_t> PixelsOf(HBITMAP bitmap, int width, int height);

// The folder holding the public BMP test suite.
std::string BmpSuiteDir();

}  // namespace wintest
