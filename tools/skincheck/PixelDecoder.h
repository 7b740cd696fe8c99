// tools/skincheck/PixelDecoder.h: turns the pixel data the bitmap reader hands over into plain RGB rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/BitmapFormat.h"

// Pixels as RGB triplets, top row first.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    const std::uint8_t* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
    std::uint8_t* At(int x, int y) { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

// Decodes uncompressed data: 1, 4 and 8 bits per pixel through the colour table, 16, 24 and 32 bits
// per pixel plain or with bit fields, bottom-up or top-down. On failure returns false and says why in
// `problem`; compressed data are not decoded.
bool DecodePixels(const BitmapFile& file, RgbImage& image, std::string& problem);
