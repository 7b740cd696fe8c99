// tests/fuzz/BitmapFuzz.cpp: libFuzzer target feeding arbitrary bytes through the bitmap file reader.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/Error.h"
#include "core/BitmapFormat.h"

namespace {

class MemorySource : public ByteSource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::optional<std::uint64_t> Length() override { return size_; }
    std::optional<std::size_t> Read(void* buffer, std::size_t count) override
    {
        const std::size_t n = count < size_ - pos_ ? count : size_ - pos_;
        if (n != 0)
            std::memcpy(buffer, data_ + pos_, n);
        pos_ += n;
        return n;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A broken invariant stops the run with the input saved as a crash.
void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

void CheckInvariants(const BitmapFile& file, std::size_t inputSize)
{
    if (file.empty) {
        Require(inputSize == 0, "only a zero-length input reads as empty");
        return;
    }
    const BitmapHeader& h = file.header;
    Require(file.info.size() >= 40, "BITMAPINFO holds at least the 40-byte header");
    // A core header is handed over widened; any other header as the file has it.
    const std::size_t headerBytes = h.size > 40 ? h.size : 40;
    Require(Get32(file.info, 0) == h.size, "size field handed over is the header's size");
    Require(h.planes == 1, "plane count is 1");
    const std::uint64_t height = static_cast<std::uint64_t>(std::llabs(static_cast<long long>(h.height)));
    const std::uint64_t section = DibRowBytes(h.width, h.bitCount) * height;
    const std::uint64_t implied = h.sizeImage != 0 ? h.sizeImage : section;
    Require(file.pixels.size() == implied, "pixel buffer has the size the header implies");
    Require(Get32(file.info, 20) == file.pixels.size(), "size field handed over equals the pixel buffer");
    Require(file.pixels.size() <= kMaxPixelBytes, "pixel buffer within the limit");
    if (file.IsDibSection())
        Require(section <= kMaxPixelBytes, "DIB section within the limit");
    // Colour table: what follows the header (and masks) is whole 4-byte entries, at most 256 of them.
    Require(file.info.size() >= headerBytes && (file.info.size() - headerBytes) % 4 == 0,
            "colour table of whole entries");
    Require(file.info.size() - headerBytes <= 12 + 256 * 4, "at most three masks and 256 colours");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    MemorySource source(data, size);
    try {
        const BitmapFile file = ReadBitmapFile(source);
        CheckInvariants(file, size);
    } catch (const Error& e) {
        const std::string text = e.what();
        Require(text == "Stream read error" || text == "Bitmap image is not valid", "one of the reader's two texts");
        Require((e.Kind() == ErrorKind::EReadError) == (text == "Stream read error"), "kind matches text");
    }
    return 0;
}
