// platform/Image.cpp: image loading, drawing and rectangle copies with BitBlt.
#include "platform/Image.h"

#include <utility>

#include "core/Error.h"
#include "platform/BitmapLoader.h"

Image::Image(GdiBitmap bitmap, int width, int height) : bitmap_(std::move(bitmap)), width_(width), height_(height) {}

Image Image::ScreenCompatible(int width, int height)
{
    const WindowDC screen(nullptr);
    return Image(GdiBitmap(CreateCompatibleBitmap(screen.Get(), width, height)), width, height);
}

Image Image::FromResource(const char* name)
{
    auto* handle = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    GdiBitmap bitmap(handle);
    BITMAP described{};
    if (handle != nullptr)
        GetObjectA(handle, sizeof described, &described);
    return Image(std::move(bitmap), described.bmWidth, described.bmHeight);
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
