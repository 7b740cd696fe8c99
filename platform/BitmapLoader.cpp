// platform/BitmapLoader.cpp: bitmap files handed to the platform's DIB functions.
#include "platform/BitmapLoader.h"

#include <cstring>

#include "core/Error.h"
#include "platform/ErrorMode.h"
#include "platform/SystemError.h"

namespace {

class FileSource : public ByteSource {
public:
    explicit FileSource(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        if (handle_ == INVALID_HANDLE_VALUE)
            throw Error(ErrorKind::EFOpenError, "Cannot open file " + path);
    }
    ~FileSource() override { CloseHandle(handle_); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::optional<std::uint64_t> Length() override
    {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(handle_, &size))
            return std::nullopt;
        return static_cast<std::uint64_t>(size.QuadPart);
    }

    // A read the system fails (an unreadable sector of a scratched disc) fails the whole load.
    std::optional<std::size_t> Read(void* buffer, std::size_t count) override
    {
        auto* out = static_cast<char*>(buffer);
        std::size_t total = 0;
        while (total < count) {
            DWORD got = 0;
            const DWORD chunk = static_cast<DWORD>(count - total < 0x10000000 ? count - total : 0x10000000);
            if (!ReadFile(handle_, out + total, chunk, &got, nullptr))
                return std::nullopt;
            if (got == 0)
                break;
            total += got;
        }
        return total;
    }

private:
    HANDLE handle_;
};

// The platform refused the bitmap: its error code if it gave one.
[[noreturn]] void ThrowRefused()
{
    const DWORD code = GetLastError();
    if (code == 0)
        throw Error(ErrorKind::EInvalidGraphic, "Bitmap image is not valid");
    throw OSError(code);
}

GdiBitmap CreateSection(const BitmapFile& file)
{
    const auto* info = reinterpret_cast<const BITMAPINFO*>(file.info.data());
    void* bits = nullptr;
    SetLastError(0);
    // Owned at once, so a section without a pixel pointer is not leaked.
    GdiBitmap bitmap(CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap.Get() == nullptr || bits == nullptr)
        ThrowRefused();
    // The section holds exactly its rows; the file may claim more or fewer bytes.
    const std::uint64_t sectionBytes =
        DibRowBytes(file.header.width, file.header.bitCount) *
        static_cast<std::uint64_t>(file.header.height < 0 ? -static_cast<std::int64_t>(file.header.height)
                                                          : file.header.height);
    const std::size_t count = static_cast<std::size_t>(
        sectionBytes < file.pixels.size() ? sectionBytes : file.pixels.size());
    std::memcpy(bits, file.pixels.data(), count);
    GdiFlush();
    return bitmap;
}

GdiBitmap CreateDeviceBitmap(const BitmapFile& file)
{
    const auto* info = reinterpret_cast<const BITMAPINFO*>(file.info.data());
    const WindowDC screen(nullptr);
    SetLastError(0);
    HBITMAP handle = CreateDIBitmap(screen.Get(), &info->bmiHeader, CBM_INIT, file.pixels.data(), info,
                                    DIB_RGB_COLORS);
    if (handle == nullptr)
        ThrowRefused();
    return GdiBitmap(handle);
}

}  // namespace

BitmapFile ReadBitmapFromFile(const std::string& path)
{
    const CriticalErrorsFail quiet;  // open, read and close
    FileSource source(path);
    return ReadBitmapFile(source);
}

LoadedBitmap CreateBitmap(const BitmapFile& file)
{
    LoadedBitmap loaded;
    if (file.empty)
        return loaded;
    loaded.bitmap = file.IsDibSection() ? CreateSection(file) : CreateDeviceBitmap(file);
    BITMAP described{};
    GetObjectA(loaded.bitmap.Get(), sizeof described, &described);
    loaded.width = described.bmWidth;
    loaded.height = described.bmHeight;
    return loaded;
}

LoadedBitmap LoadBitmapFile(const std::string& path)
{
    return CreateBitmap(ReadBitmapFromFile(path));
}
