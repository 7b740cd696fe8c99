// tests/win/BitmapLoaderTest.cpp: bitmap files through the reader and the real GDI, pixels read back; the error
// mode around reads of the medium.
#include <gtest/gtest.h>

#include "WinTestFiles.h"
#include "core/Error.h"
#include "platform/BitmapLoader.h"
#include "platform/ErrorMode.h"
#include "platform/FileProbe.h"
#include "platform/Image.h"
#include "platform/Process.h"
#include "platform/Sound.h"
#include "platform/SystemLibrary.h"

namespace {

using wintest::Bitmap24;
using wintest::PixelsOf;
using wintest::ScratchDir;

std::uint32_t Pattern(int x, int y)
{
    return static_cast<std::uint32_t>((x * 40 & 0xFF) << 16 | (y * 60 & 0xFF) << 8 | ((x + y) * 7 & 0xFF));
}

// The text an error from loading `path` carries, or "" when it loads.
std::string LoadFailure(const std::string& path, ErrorKind expectedKind)
{
    try {
        LoadBitmapFile(path);
    } catch (const Error& e) {
        EXPECT_EQ(e.Kind(), expectedKind) << e.what();
        return e.what();
    }
    return "";
}

TEST(BitmapLoader, TrueColourFileLoadsPixelExact)
{
    ScratchDir dir;
    const std::string path = dir.Write("a.bmp", Bitmap24(5, 3, Pattern));
    const LoadedBitmap loaded = LoadBitmapFile(path);
    ASSERT_EQ(loaded.width, 5);
    ASSERT_EQ(loaded.height, 3);
    const std::vector<std::uint32_t> pixels = PixelsOf(loaded.bitmap.Get(), 5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(pixels[y * 5 + x], Pattern(x, y)) << x << "," << y;
}

TEST(BitmapLoader, PixelDataCutShortLoadsWithTheRestBlack)
{
    ScratchDir dir;
    std::vector<std::uint8_t> file = Bitmap24(4, 4, [](int, int) -> std::uint32_t { return 0xFFFFFF; });
    file.resize(54 + 12 * 2);  // the bottom two rows only
    const LoadedBitmap loaded = LoadBitmapFile(dir.Write("cut.bmp", file));
    const std::vector<std::uint32_t> pixels = PixelsOf(loaded.bitmap.Get(), 4, 4);
    EXPECT_EQ(pixels[0], 0u);             // top row: missing, zero-filled
    EXPECT_EQ(pixels[15], 0xFFFFFFu);     // bottom row: present
}

TEST(BitmapLoader, FailuresCarryTheirKindAndText)
{
    ScratchDir dir;
    EXPECT_EQ(LoadFailure("Autorun\\English\\Nowhere.bmp", ErrorKind::EFOpenError),
              "Cannot open file Autorun\\English\\Nowhere.bmp");
    EXPECT_EQ(LoadFailure(dir.Write("ten.bmp", std::vector<std::uint8_t>(10, 'B')), ErrorKind::EReadError),
              "Stream read error");
    EXPECT_EQ(LoadFailure(dir.Write("text.bmp", std::vector<std::uint8_t>(100, 'x')), ErrorKind::EInvalidGraphic),
              "Bitmap image is not valid");
    EXPECT_TRUE(LoadBitmapFile(dir.Write("empty.bmp", {})).bitmap.Get() == nullptr);
}

TEST(BitmapLoader, AFileHeldOpenForWritingCannotBeOpened)
{
    ScratchDir dir;
    const std::string path = dir.Write("held.bmp", Bitmap24(2, 2, Pattern));
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(LoadFailure(path, ErrorKind::EFOpenError), "Cannot open file " + path);
    CloseHandle(writer);
    EXPECT_EQ(LoadBitmapFile(path).width, 2);
}

TEST(BitmapLoader, BitmapThePlatformRefusesIsReported)
{
    ScratchDir dir;
    std::vector<std::uint8_t> file = Bitmap24(4, 4, Pattern);
    file[28] = 7;  // 7 bits per pixel: no such format
    std::string text;
    try {
        LoadBitmapFile(dir.Write("seven.bmp", file));
    } catch (const Error& e) {
        text = e.what();
        if (e.Kind() == ErrorKind::EOSError)
            EXPECT_EQ(text.rfind("System Error.  Code: ", 0), 0u) << text;
        else
            EXPECT_EQ(text, "Bitmap image is not valid");
    }
    EXPECT_FALSE(text.empty());
}

TEST(Image, PiecesCopyTheZoneAreaInTheScreenFormat)
{
    ScratchDir dir;
    Image source;
    source.LoadFromFile(dir.Write("src.bmp", Bitmap24(30, 20, Pattern)));
    Image piece = Image::ScreenCompatible(10, 5);
    piece.CopyFrom(source, 12, 7);
    const std::vector<std::uint32_t> pixels = PixelsOf(piece.Handle(), 10, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(pixels[y * 10 + x], Pattern(12 + x, 7 + y));
}

TEST(Image, FailedLoadKeepsTheContent)
{
    ScratchDir dir;
    Image image;
    image.LoadFromFile(dir.Write("ok.bmp", Bitmap24(3, 3, Pattern)));
    EXPECT_THROW(image.LoadFromFile(dir.Path() + "\\missing.bmp"), Error);
    EXPECT_EQ(image.Width(), 3);
    EXPECT_FALSE(image.Empty());
    image.LoadFromFile(dir.Write("zero.bmp", {}));
    EXPECT_TRUE(image.Empty());
}

DWORD ThreadErrorMode()
{
    static const auto get = NewerFunction<DWORD(WINAPI*)()>("kernel32.dll", "GetThreadErrorMode");
    return get();
}

UINT ProcessErrorMode()
{
    static const auto get = NewerFunction<UINT(WINAPI*)()>("kernel32.dll", "GetErrorMode");
    return get();
}

// Programs the launcher starts inherit its process mode, so a read may set the thread's mode only.
TEST(MediumReads, FailCriticalErrorsOnThisThreadOnlyAndRestoreTheMode)
{
    const UINT testRunnerMode = SetErrorMode(0);  // the launcher starts with 0; the test runner sets its own
    ASSERT_EQ(ThreadErrorMode(), 0u);
    {
        const CriticalErrorsFail quiet;
        EXPECT_EQ(ThreadErrorMode(), static_cast<DWORD>(SEM_FAILCRITICALERRORS));
        EXPECT_EQ(ProcessErrorMode(), 0u);
    }
    EXPECT_EQ(ThreadErrorMode(), 0u);

    FileExists("Setup\\Nowhere.exe");
    EXPECT_THROW(LoadBitmapFile("Autorun\\Nowhere.bmp"), Error);
    PlaySoundFile("Autorun\\Sound\\Nowhere.wav");
    StopSound();  // as the launcher does before it ends: under Wine, an exit while winmm's thread starts can crash
    StartProgram("Driver\\Nowhere.exe", SW_SHOW);
    EXPECT_EQ(ThreadErrorMode(), 0u);
    EXPECT_EQ(ProcessErrorMode(), 0u);
    SetErrorMode(testRunnerMode);
}

}  // namespace
