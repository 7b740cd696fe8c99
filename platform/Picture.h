// platform/Picture.h: a picture control's picture: a built-in picture until a load replaces it.
#pragma once

#include "core/BitmapFormat.h"
#include "platform/Image.h"

// The built-in picture is made from its resource only when it is needed: a start whose skin loads never
// decodes it, and a loader that pages the executable in on demand never reads it.
class Picture {
public:
    explicit Picture(const char* builtInResource) : builtIn_(builtInResource) {}

    // Replaces the picture with the file's; on failure the picture stays.
    void LoadFrom(const BitmapFile& file);
    // Makes the built-in picture now if nothing has replaced it, so that decoding it does not hold up a
    // window's first paint.
    void Prepare();
    void Draw(HDC target, int x, int y);

private:
    const char* builtIn_;  // the resource still to be made, or null
    Image image_;
};
