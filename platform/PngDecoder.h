// platform/PngDecoder.h: PNG data decoded by the system's imaging component (WIC) into a 24-bit DIB section.
#pragma once

#include <cstddef>

#include "platform/Gdi.h"

// A null bitmap when the system cannot decode the data or they are no PNG of the given size.
GdiBitmap DecodePng(const void* data, std::size_t size, int width, int height);
