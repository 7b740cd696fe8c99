// core/BitmapFormat.h: reads a Windows bitmap file into what the platform's DIB functions take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Where the reader gets its bytes: a file on Windows, memory in tests. Nothing, from either method, means
// the storage failed (a bad sector, a disc taken out): that is never an end of the data.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The data's length, as the storage records it.
    virtual std::optional<std::uint64_t> Length() = 0;
    // Reads up to `count` bytes; fewer only at the end of the data.
    virtual std::optional<std::size_t> Read(void* buffer, std::size_t count) = 0;
};

enum : std::uint32_t { kBiRgb = 0, kBiBitfields = 3 };

// The fields of the 40-byte information header, core headers widened.
struct BitmapHeader {
    std::uint32_t size = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

struct BitmapFile {
    bool empty = true;                // a file of length 0: an empty image, no error
    BitmapHeader header;
    std::vector<std::uint8_t> info;   // header bytes, then masks and colour table, as BITMAPINFO
    std::vector<std::uint8_t> pixels; // the full size the header implies; missing bytes are 0

    // Uncompressed and bit-field data go to a DIB section; others to a DDB.
    bool IsDibSection() const { return header.compression == kBiRgb || header.compression == kBiBitfields; }
};

// Largest pixel buffer, DIB section or drawing surface a skin may need.
constexpr std::uint64_t kMaxPixelBytes = 64u * 1024 * 1024;

// Row length in bytes: bits per row rounded up to a multiple of 32.
std::uint64_t DibRowBytes(std::int64_t width, std::uint32_t bitCount);

// Throws Error: EReadError for data cut short before the pixels or a failed read, EInvalidGraphic
// for what is no usable bitmap. The file header's pixel-data offset is not used: pixels are taken
// to follow the colour table directly.
BitmapFile ReadBitmapFile(ByteSource& source);
