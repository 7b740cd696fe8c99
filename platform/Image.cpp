// platform/Image.cpp: image loading, drawing and rectangle copies with BitBlt.
#include "platform/Image.h"

#include <utility>

#include "core/Error.h"
#include "platform/BitmapLoader.h"
#include "platform/PngDecoder.h"

namespace {

// The built-in picture's resource, a bitmap information header announcing PNG data and then the data; null
// when it is missing or not that.
const BITMAPINFOHEADER* PngBitmapResource(const char* name, DWORD& size)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name, RT_BITMAP);
    if (found == nullptr)
        return nullptr;
    size = SizeofResource(module, found);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, found)));
    const bool png = header != nullptr && size >= sizeof *header && header->biSize >= sizeof *header &&
                     header->biSize <= size && header->biCompression == BI_PNG;
    return png ? header : nullptr;
}

}  // namespace

Image::Image(GdiBitmap bitmap, int width, int height) : bitmap_(std::move(bitmap)), width_(width), height_(height) {}

Image Image::ScreenCompatible(int width, int height)
{
    const WindowDC screen(nullptr);
    return Image(GdiBitmap(CreateCompatibleBitmap(screen.Get(), width, height)), width, height);
}

Image Image::FromResource(const char* name)
{
    DWORD size = 0;
    const BITMAPINFOHEADER* header = PngBitmapResource(name, size);
    if (header == nullptr)
        return Image();
    const int width = header->biWidth;
    const int height = header->biHeight;
    GdiBitmap bitmap =
        DecodePng(reinterpret_cast<const BYTE*>(header) + header->biSize, size - header->biSize, width, height);
    return bitmap.Get() != nullptr ? Image(std::move(bitmap), width, height) : Image();
}

void Image::LoadFromFile(const std::string& path) { LoadFrom(ReadBitmapFromFile(path)); }

void Image::LoadFrom(const BitmapFile& file)
{
    LoadedBitmap loaded = CreateBitmap(file);
    bitmap_ = std::move(loaded.bitmap);
    width_ = loaded.width;
    height_ = loaded.height;
}

void Image::Draw(HDC target, int x, int y) const
{
    if (Empty())
        return;
    const MemoryDC source(target);
    const ScopedSelect selected(source.Get(), bitmap_.Get());
    BitBlt(target, x, y, width_, height_, source.Get(), 0, 0, SRCCOPY);
}

void Image::CopyFrom(const Image& source, int x, int y)
{
    if (Empty() || source.Empty())
        return;
    const WindowDC screen(nullptr);
    const MemoryDC from(screen.Get());
    const MemoryDC to(screen.Get());
    const ScopedSelect fromSelected(from.Get(), source.bitmap_.Get());
    const ScopedSelect toSelected(to.Get(), bitmap_.Get());
    BitBlt(to.Get(), 0, 0, width_, height_, from.Get(), x, y, SRCCOPY);
}
