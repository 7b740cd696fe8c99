// platform/Picture.h: a picture control's picture: a built-in picture until a load replaces it.
#pragma once

#include "core/BitmapFormat.h"
#include "platform/Image.h"

// The built-in picture is made from its resource only when it is first drawn: a start whose skin loads
// before the first paint never decodes it, and a loader that pages the executable in on demand never reads it.
class Picture {
public:
    explicit Picture(const char* builtInResource) : builtIn_(builtInResource) {}

    // Replaces the picture with the file's; on failure the picture stays.
    void LoadFrom(const BitmapFile& file);
    void Draw(HDC target, int x, int y);

private:
    const char* builtIn_;  // the resource still to be made, or null
    Image image_;
};
