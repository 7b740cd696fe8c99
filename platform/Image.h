// platform/Image.h: an in-memory bitmap that can be loaded, drawn and copied into.
#pragma once

#include <string>

#include "core/BitmapFormat.h"
#include "platform/Gdi.h"

class Image {
public:
    Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // A blank image of the given size in the screen's pixel format.
    static Image ScreenCompatible(int width, int height);
    // The built-in picture compiled into the executable: a bitmap resource whose header announces PNG data
    // (BI_PNG), a small part of the plain picture's size. Empty when the system cannot decode it.
    static Image FromResource(const char* name);

    // Replace the content with the file's; on failure the content stays.
    void LoadFromFile(const std::string& path);
    void LoadFrom(const BitmapFile& file);

    bool Empty() const { return bitmap_.Get() == nullptr || width_ <= 0 || height_ <= 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    HBITMAP Handle() const { return bitmap_.Get(); }

    // Draws the whole image with its top-left corner at (x, y); an empty image draws nothing.
    void Draw(HDC target, int x, int y) const;
    // Fills this image from the area of `source` whose top-left corner is (x, y).
    void CopyFrom(const Image& source, int x, int y);

    Image(Image&&) noexcept = default;
    Image& operator=(Image&&) noexcept = default;

private:
    Image(GdiBitmap bitmap, int width, int height);

    GdiBitmap bitmap_;
    int width_ = 0;
    int height_ = 0;
};
