// core/BitmapFormat.cpp: Windows bitmap file parsing and sizing, free of platform calls.
#include "core/BitmapFormat.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/Error.h"

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
// Far above the largest header Windows defines (124 bytes); anything bigger is no bitmap.
constexpr std::uint32_t kMaxHeaderSize = 4096;
constexpr std::uint32_t kMaxColors = 256;

[[noreturn]] void Invalid() { throw Error(ErrorKind::EInvalidGraphic, "Bitmap image is not valid"); }
[[noreturn]] void ReadFailed() { throw Error(ErrorKind::EReadError, "Stream read error"); }

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// What the source gives, a failed read raised as an error.
std::size_t ReadUpTo(ByteSource& source, void* buffer, std::size_t count)
{
    const std::optional<std::size_t> got = source.Read(buffer, count);
    if (!got)
        ReadFailed();
    return *got;
}

void ReadExactly(ByteSource& source, void* buffer, std::size_t count)
{
    if (count != 0 && ReadUpTo(source, buffer, count) != count)
        ReadFailed();
}

// Reads the information header into `info`, widening a core header to 40 bytes.
BitmapHeader ReadInfoHeader(ByteSource& source, std::vector<std::uint8_t>& info, bool& core)
{
    std::uint8_t sizeField[4];
    if (ReadUpTo(source, sizeField, 4) != 4)
        Invalid();
    const std::uint32_t size = Get32(sizeField);
    if (size < 4 || size > kMaxHeaderSize)
        Invalid();
    info.assign(std::max(size, kInfoHeaderSize), 0);
    std::memcpy(info.data(), sizeField, 4);
    if (ReadUpTo(source, info.data() + 4, size - 4) != size - 4)
        Invalid();

    BitmapHeader h;
    core = size == kCoreHeaderSize;
    if (core) {
        h.size = kInfoHeaderSize;
        h.width = Get16(&info[4]);
        h.height = Get16(&info[6]);
        h.planes = Get16(&info[8]);
        h.bitCount = Get16(&info[10]);
        std::fill(info.begin(), info.end(), 0);
        Put32(&info[0], kInfoHeaderSize);
        Put32(&info[4], static_cast<std::uint32_t>(h.width));
        Put32(&info[8], static_cast<std::uint32_t>(h.height));
        info[12] = static_cast<std::uint8_t>(h.planes);
        info[13] = static_cast<std::uint8_t>(h.planes >> 8);
        info[14] = static_cast<std::uint8_t>(h.bitCount);
        info[15] = static_cast<std::uint8_t>(h.bitCount >> 8);
    } else {
        h.size = size;
        h.width = static_cast<std::int32_t>(Get32(&info[4]));
        h.height = static_cast<std::int32_t>(Get32(&info[8]));
        h.planes = Get16(&info[12]);
        h.bitCount = Get16(&info[14]);
        h.compression = Get32(&info[16]);
        h.sizeImage = Get32(&info[20]);
        h.xPelsPerMeter = static_cast<std::int32_t>(Get32(&info[24]));
        h.yPelsPerMeter = static_cast<std::int32_t>(Get32(&info[28]));
        h.clrUsed = Get32(&info[32]);
        h.clrImportant = Get32(&info[36]);
    }
    if (h.planes != 1)
        Invalid();
    return h;
}

std::uint32_t ColorCount(const BitmapHeader& h)
{
    if (h.clrUsed != 0)
        return h.clrUsed;
    switch (h.bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

void ReadColorTable(ByteSource& source, std::uint32_t count, bool core, std::vector<std::uint8_t>& info)
{
    const std::size_t entry = core ? 3 : 4;
    std::vector<std::uint8_t> table(count * entry);
    ReadExactly(source, table.data(), table.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* e = &table[i * entry];
        info.insert(info.end(), {e[0], e[1], e[2], core ? std::uint8_t{0} : e[3]});
    }
}

// The pixel bytes the header implies, refusing sizes that overflow or that no
// skin could need.
std::uint64_t PixelBytes(const BitmapHeader& h)
{
    const std::uint64_t width = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(h.width)));
    const std::uint64_t height = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(h.height)));
    const std::uint64_t section = DibRowBytes(static_cast<std::int64_t>(width), h.bitCount) * height;
    // Checked one factor at a time so that the 64-bit products cannot wrap.
    if (width > kMaxPixelBytes || height > kMaxPixelBytes || section > kMaxPixelBytes ||
        width * height * 4 > kMaxPixelBytes || h.sizeImage > kMaxPixelBytes)
        Invalid();
    return h.sizeImage != 0 ? h.sizeImage : section;
}

}  // namespace

std::uint64_t DibRowBytes(std::int64_t width, std::uint32_t bitCount)
{
    const std::uint64_t bits = static_cast<std::uint64_t>(width < 0 ? -width : width) * bitCount;
    return (bits + 31) / 32 * 4;
}

BitmapFile ReadBitmapFile(ByteSource& source)
{
    BitmapFile file;
    const std::optional<std::uint64_t> length = source.Length();
    if (!length)
        ReadFailed();
    if (*length == 0)
        return file;
    std::uint8_t fileHeader[kFileHeaderSize];
    ReadExactly(source, fileHeader, kFileHeaderSize);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        Invalid();

    bool core = false;
    const BitmapHeader h = ReadInfoHeader(source, file.info, core);
    if (h.size == kInfoHeaderSize && (h.bitCount == 16 || h.bitCount == 32) && h.compression == kBiBitfields) {
        std::uint8_t masks[12];
        ReadExactly(source, masks, sizeof masks);
        file.info.insert(file.info.end(), masks, masks + sizeof masks);
    }
    const std::uint32_t colors = ColorCount(h);
    if (colors > kMaxColors)
        Invalid();
    ReadColorTable(source, colors, core, file.info);

    const std::uint64_t pixelBytes = PixelBytes(h);
    file.pixels.assign(static_cast<std::size_t>(pixelBytes), 0);
    if (!file.pixels.empty())
        ReadUpTo(source, file.pixels.data(), file.pixels.size());
    // The platform bounds compressed data by this field: make it the buffer we hand over.
    Put32(&file.info[20], static_cast<std::uint32_t>(pixelBytes));
    file.header = h;
    file.empty = false;
    return file;
}
