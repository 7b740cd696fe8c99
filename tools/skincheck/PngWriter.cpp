// tools/skincheck/PngWriter.cpp: PNG chunks with CRC-32, a zlib stream of stored blocks with Adler-32.
#include "tools/skincheck/PngWriter.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t Adler32(const Bytes& data)
{
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void PutBig32(Bytes& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(Bytes& out, const char type[4], const Bytes& body)
{
    PutBig32(out, static_cast<std::uint32_t>(body.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    PutBig32(out, Crc32(&out[start], out.size() - start));
}

// A zlib stream of stored deflate blocks, at most 65535 bytes each.
Bytes StoredZlib(const Bytes& raw)
{
    Bytes z = {0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        const bool last = at + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<std::uint8_t>(n));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n));
        z.push_back(static_cast<std::uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                 raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    } while (at < raw.size());
    PutBig32(z, Adler32(raw));
    return z;
}

}  // namespace

bool WritePng(const std::string& path, const RgbImage& image)
{
    if (image.width <= 0 || image.height <= 0)
        return false;
    Bytes raw;
    raw.reserve(static_cast<std::size_t>(image.width * 3 + 1) * image.height);
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);  // filter type None
        const std::uint8_t* row = image.At(0, y);
        raw.insert(raw.end(), row, row + static_cast<std::size_t>(image.width) * 3);
    }
    Bytes header;
    PutBig32(header, static_cast<std::uint32_t>(image.width));
    PutBig32(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits per channel, RGB, deflate, no filter choice, no interlace

    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", {});

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && written;
}
