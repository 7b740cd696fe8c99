// tools/skincheck/PixelDecoder.cpp: decoding of uncompressed DIB pixel data on the host.
#include "tools/skincheck/PixelDecoder.h"

#include <cstdlib>

namespace {

constexpr std::uint32_t kInfoHeaderSize = 40;

std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    if (at + 4 > bytes.size())
        return 0;
    return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

// One colour channel of a bit-field pixel, scaled to 0..255.
class Channel {
public:
    explicit Channel(std::uint32_t mask) : mask_(mask)
    {
        if (mask_ == 0)
            return;
        while (((mask_ >> shift_) & 1u) == 0)
            ++shift_;
        max_ = mask_ >> shift_;
    }

    std::uint8_t Of(std::uint32_t pixel) const
    {
        if (max_ == 0)
            return 0;
        const std::uint64_t value = (pixel & mask_) >> shift_;
        return static_cast<std::uint8_t>((value * 255 + max_ / 2) / max_);
    }

private:
    std::uint32_t mask_;
    int shift_ = 0;
    std::uint64_t max_ = 0;
};

// Where the colour table starts in the reader's BITMAPINFO bytes: after the header, and after the three
// masks that follow a 40-byte header with bit fields.
std::size_t ColorTableOffset(const BitmapHeader& h)
{
    std::size_t offset = h.size;
    if (h.size == kInfoHeaderSize && h.compression == kBiBitfields && (h.bitCount == 16 || h.bitCount == 32))
        offset += 12;
    return offset;
}

}  // namespace

bool DecodePixels(const BitmapFile& file, RgbImage& image, std::string& problem)
{
    const BitmapHeader& h = file.header;
    image = RgbImage();
    if (file.empty)
        return true;
    if (h.compression != kBiRgb && h.compression != kBiBitfields) {
        problem = "compressed, pixels not checked";
        return false;
    }
    const int bits = h.bitCount;
    const bool indexed = bits == 1 || bits == 4 || bits == 8;
    if (!indexed && bits != 16 && bits != 24 && bits != 32) {
        problem = std::to_string(bits) + " bits per pixel, pixels not checked";
        return false;
    }
    if (h.compression == kBiBitfields && bits != 16 && bits != 32) {
        problem = "bit fields with " + std::to_string(bits) + " bits per pixel, pixels not checked";
        return false;
    }

    std::uint32_t masks[3];
    if (h.compression == kBiBitfields) {
        for (int i = 0; i < 3; ++i)
            masks[i] = Get32(file.info, kInfoHeaderSize + 4 * i);
    } else if (bits == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else {
        masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

    const std::size_t table = ColorTableOffset(h);
    const std::size_t colors = file.info.size() > table ? (file.info.size() - table) / 4 : 0;

    const int width = std::abs(h.width);
    const int height = std::abs(h.height);
    const bool topDown = h.height < 0;
    const std::size_t stride = static_cast<std::size_t>(DibRowBytes(width, h.bitCount));
    image.width = width;
    image.height = height;
    image.rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);

    // Bytes past the end of what the file held read as 0, as the reader's zero-filled buffer does.
    auto byteAt = [&](std::size_t at) -> std::uint32_t { return at < file.pixels.size() ? file.pixels[at] : 0; };
    for (int y = 0; y < height; ++y) {
        const std::size_t row = static_cast<std::size_t>(topDown ? y : height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            std::uint8_t* out = image.At(x, y);
            if (indexed) {
                const std::size_t bit = static_cast<std::size_t>(x) * bits;
                const std::uint32_t byte = byteAt(row + bit / 8);
                const std::uint32_t index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                if (index < colors) {
                    const std::uint8_t* entry = &file.info[table + index * 4];
                    out[0] = entry[2], out[1] = entry[1], out[2] = entry[0];
                }
            } else if (bits == 24) {
                const std::size_t at = row + static_cast<std::size_t>(x) * 3;
                out[0] = static_cast<std::uint8_t>(byteAt(at + 2));
                out[1] = static_cast<std::uint8_t>(byteAt(at + 1));
                out[2] = static_cast<std::uint8_t>(byteAt(at));
            } else {
                const std::size_t step = static_cast<std::size_t>(bits / 8);
                const std::size_t at = row + static_cast<std::size_t>(x) * step;
                std::uint32_t pixel = 0;
                for (std::size_t i = 0; i < step; ++i)
                    pixel |= byteAt(at + i) << (8 * i);
                out[0] = red.Of(pixel), out[1] = green.Of(pixel), out[2] = blue.Of(pixel);
            }
        }
    }
    return true;
}
