// tests/win/ExecutableTest.cpp: the launcher executable's version record and icon, read through the Windows APIs.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

namespace {

std::string LauncherPath()
{
    char path[MAX_PATH] = {};
    GetEnvironmentVariableA("LAUNCHER_EXE", path, MAX_PATH);
    return path;
}

std::vector<char> VersionInfo(const std::string& path)
{
    DWORD ignored = 0;
    std::vector<char> data(GetFileVersionInfoSizeA(path.c_str(), &ignored));
    if (data.empty() || !GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
        data.clear();
    return data;
}

std::string StringValue(std::vector<char>& info, const char* name)
{
    char* value = nullptr;
    UINT length = 0;
    const std::string key = std::string("\\StringFileInfo\\041203B5\\") + name;
    if (!VerQueryValueA(info.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0)
        return "";
    return value;
}

#pragma pack(push, 2)
struct IconDirEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
struct IconDir {
    WORD reserved, type, count;
    IconDirEntry entries[1];
};
#pragma pack(pop)

TEST(Executable, VersionRecordIsKoreanWithTheProductVersion)
{
    std::vector<char> info = VersionInfo(LauncherPath());
    ASSERT_FALSE(info.empty()) << LauncherPath();

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(99, 2));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 5));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(99, 2));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(0, 5));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    EXPECT_EQ(translation[0], 0x0412);
    EXPECT_EQ(translation[1], 949);

    EXPECT_EQ(StringValue(info, "FileVersion"), "2.99.05");
    EXPECT_EQ(StringValue(info, "ProductVersion"), "2.99.05");
    EXPECT_EQ(StringValue(info, "FileDescription"), "Veltrana Install Application");
    EXPECT_EQ(StringValue(info, "Comments"), "Veltrana Install Application");
    for (const char* field : {"CompanyName", "ProductName", "OriginalFilename"})
        EXPECT_NE(StringValue(info, field), "") << field;
}

TEST(Executable, IconIsOne32By32ImageOf24Bits)
{
    HMODULE module = LoadLibraryExA(LauncherPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC group = FindResourceA(module, "MAINICON", reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
    ASSERT_NE(group, nullptr);
    const auto* dir = static_cast<const IconDir*>(LockResource(LoadResource(module, group)));
    ASSERT_NE(dir, nullptr);
    ASSERT_EQ(dir->count, 1);
    EXPECT_EQ(dir->entries[0].width, 32);
    EXPECT_EQ(dir->entries[0].height, 32);
    EXPECT_EQ(dir->entries[0].bitCount, 24);

    HRSRC picture = FindResourceA(module, "SETUPIMAGE", reinterpret_cast<LPCSTR>(RT_BITMAP));
    ASSERT_NE(picture, nullptr);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, picture)));
    EXPECT_EQ(header->biWidth, 600);
    EXPECT_EQ(header->biHeight, 400);
    EXPECT_EQ(header->biBitCount, 24);
    FreeLibrary(module);
}

TEST(Executable, IsRunFromTheSwapFileSoATakenOutDiscCannotFaultItsPagesIn)
{
    std::ifstream file(LauncherPath(), std::ios::binary);
    const std::vector<char> image{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_GE(image.size(), sizeof(IMAGE_DOS_HEADER));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
    ASSERT_LE(static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32), image.size());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
    ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
    EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP) << std::hex
        << nt->FileHeader.Characteristics;
    EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE);
}

}  // namespace
