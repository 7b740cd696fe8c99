// tools/skincheck/PngWriter.h: writes RGB pixels as a PNG file without an image or compression library.
#pragma once

#include <string>

#include "tools/skincheck/PixelDecoder.h"

// The image goes out uncompressed (stored deflate blocks), which every PNG reader accepts.
// Returns false when the file cannot be written.
bool WritePng(const std::string& path, const RgbImage& image);
