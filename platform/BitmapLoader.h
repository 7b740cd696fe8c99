// platform/BitmapLoader.h: loads a Windows bitmap file into a GDI bitmap.
#pragma once

#include <string>

#include "core/BitmapFormat.h"
#include "platform/Gdi.h"

struct LoadedBitmap {
    GdiBitmap bitmap;  // null for an empty (zero-length) file
    int width = 0;
    int height = 0;
};

// Opens the file with writing by others denied and reads it whole. Throws
// Error: EFOpenError naming `path`, or what reading reports.
BitmapFile ReadBitmapFromFile(const std::string& path);

// Hands a read file to the platform's DIB functions; throws what they report.
LoadedBitmap CreateBitmap(const BitmapFile& file);

LoadedBitmap LoadBitmapFile(const std::string& path);
