// platform/BitmapLoader.h: loads a Windows bitmap file into a GDI bitmap.
#pragma once

#include <string>

#include "platform/Gdi.h"

struct LoadedBitmap {
    GdiBitmap bitmap;  // null for an empty (zero-length) file
    int width = 0;
    int height = 0;
};

// Opens the file with writing by others denied. Throws Error: EFOpenError
// naming `path`, or what reading and the platform's DIB functions report.
LoadedBitmap LoadBitmapFile(const std::string& path);
