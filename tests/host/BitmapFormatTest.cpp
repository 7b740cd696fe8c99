// tests/host/BitmapFormatTest.cpp: bitmap file parsing and sizing on files built in memory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/Error.h"
#include "core/BitmapFormat.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Every read that touches bytes [badFrom, badTo) fails, as on a disc with a bad sector there.
class MemorySource : public ByteSource {
public:
    MemorySource(Bytes data, std::size_t badFrom, std::size_t badTo)
        : data_(std::move(data)), badFrom_(badFrom), badTo_(badTo)
    {
    }
    std::optional<std::uint64_t> Length() override { return data_.size(); }
    std::optional<std::size_t> Read(void* buffer, std::size_t count) override
    {
        if (count != 0 && pos_ < badTo_ && badFrom_ < pos_ + count)
            return std::nullopt;
        const std::size_t n = std::min(count, data_.size() - pos_);
        if (n == 0)
            return 0;
        std::memcpy(buffer, data_.data() + pos_, n);
        pos_ += n;
        return n;
    }

private:
    Bytes data_;
    std::size_t badFrom_;
    std::size_t badTo_;
    std::size_t pos_ = 0;
};

void Put(Bytes& b, std::uint32_t v, int size)
{
    for (int i = 0; i < size; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

struct Info {
    std::int32_t width = 4, height = 2;
    std::uint16_t planes = 1, bitCount = 24;
    std::uint32_t compression = 0, sizeImage = 0, clrUsed = 0;
};

// A file header (with a pixel offset that the reader must ignore) and a 40-byte information header.
Bytes Header(const Info& i)
{
    Bytes b = {'B', 'M'};
    Put(b, 0, 4);
    Put(b, 0, 4);
    Put(b, 0xDEAD, 4);
    Put(b, 40, 4);
    Put(b, static_cast<std::uint32_t>(i.width), 4);
    Put(b, static_cast<std::uint32_t>(i.height), 4);
    Put(b, i.planes, 2);
    Put(b, i.bitCount, 2);
    Put(b, i.compression, 4);
    Put(b, i.sizeImage, 4);
    Put(b, 0, 4);
    Put(b, 0, 4);
    Put(b, i.clrUsed, 4);
    Put(b, 0, 4);
    return b;
}

BitmapFile Read(const Bytes& data, std::size_t badFrom = 0, std::size_t badTo = 0)
{
    MemorySource source(data, badFrom, badTo);
    return ReadBitmapFile(source);
}

// The kind and text of the error reading `data` raises.
std::pair<ErrorKind, std::string> Failure(const Bytes& data, std::size_t badFrom = 0, std::size_t badTo = 0)
{
    try {
        Read(data, badFrom, badTo);
    } catch (const Error& e) {
        return {e.Kind(), e.what()};
    }
    ADD_FAILURE() << "no error";
    return {};
}

const std::pair<ErrorKind, std::string> kReadError = {ErrorKind::EReadError, "Stream read error"};
const std::pair<ErrorKind, std::string> kInvalid = {ErrorKind::EInvalidGraphic, "Bitmap image is not valid"};

std::uint32_t InfoField(const BitmapFile& f, std::size_t offset)
{
    return f.info[offset] | (f.info[offset + 1] << 8) | (f.info[offset + 2] << 16) |
           (static_cast<std::uint32_t>(f.info[offset + 3]) << 24);
}

TEST(BitmapFormat, ZeroLengthFileIsAnEmptyImage)
{
    EXPECT_TRUE(Read({}).empty);
}

TEST(BitmapFormat, RejectsBrokenHeadersWithTheirTexts)
{
    Bytes tenBytes(10, 'B');
    EXPECT_EQ(Failure(tenBytes), kReadError);

    Bytes notBm = Header({});
    notBm[1] = 'A';
    EXPECT_EQ(Failure(notBm), kInvalid);

    Info twoPlanes;
    twoPlanes.planes = 2;
    EXPECT_EQ(Failure(Header(twoPlanes)), kInvalid);

    Bytes cutInHeader = Header({});
    cutInHeader.resize(30);
    EXPECT_EQ(Failure(cutInHeader), kInvalid);
    cutInHeader.resize(16);  // inside the size field
    EXPECT_EQ(Failure(cutInHeader), kInvalid);

    Info tooManyColours;
    tooManyColours.bitCount = 8;
    tooManyColours.clrUsed = 257;
    EXPECT_EQ(Failure(Header(tooManyColours)), kInvalid);
}

TEST(BitmapFormat, MasksAndColourTablesCutShortAreReadErrors)
{
    Info bitfields;
    bitfields.bitCount = 16;
    bitfields.compression = kBiBitfields;
    Bytes masks = Header(bitfields);
    Put(masks, 0xF800, 4);
    EXPECT_EQ(Failure(masks), kReadError);

    Info palette;
    palette.bitCount = 8;
    Bytes table = Header(palette);
    table.resize(table.size() + 255 * 4);
    EXPECT_EQ(Failure(table), kReadError);
}

TEST(BitmapFormat, AFailedReadIsAReadErrorWhereverItFalls)
{
    Info palette;
    palette.bitCount = 8;
    palette.clrUsed = 2;
    Bytes paletted = Header(palette);
    paletted.resize(paletted.size() + 2 * 4 + 2 * 4);
    Info bitfields;
    bitfields.bitCount = 16;
    bitfields.compression = kBiBitfields;
    Bytes masked = Header(bitfields);
    masked.resize(masked.size() + 12 + 2 * 8);
    ASSERT_FALSE(Read(paletted).empty);
    ASSERT_FALSE(Read(masked).empty);

    const struct {
        const Bytes& data;
        std::size_t bad;
        const char* where;
    } cases[] = {
        {paletted, 0, "file header"}, {paletted, 15, "header size"}, {paletted, 30, "information header"},
        {paletted, 58, "colour table"}, {paletted, 63, "pixels"}, {masked, 60, "masks"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Failure(c.data, c.bad, c.bad + 1), kReadError) << c.where;
}

TEST(BitmapFormat, PixelsFollowTheTableAndShortDataIsZeroFilled)
{
    Info palette;
    palette.bitCount = 8;
    palette.clrUsed = 2;
    Bytes data = Header(palette);
    Put(data, 0x00112233, 4);
    Put(data, 0x00445566, 4);
    data.insert(data.end(), {1, 2, 3});  // rows of 4 bytes, 2 rows: 5 bytes missing

    const BitmapFile f = Read(data);
    ASSERT_FALSE(f.empty);
    EXPECT_TRUE(f.IsDibSection());
    EXPECT_EQ(f.info.size(), 40u + 8u);
    EXPECT_EQ(InfoField(f, 40), 0x00112233u);
    EXPECT_EQ(f.pixels, (Bytes{1, 2, 3, 0, 0, 0, 0, 0}));
    EXPECT_EQ(InfoField(f, 20), 8u);  // the size handed on is the buffer's
}

TEST(BitmapFormat, ImageSizeFieldSetsTheDataLength)
{
    Info rle;
    rle.bitCount = 8;
    rle.compression = 1;
    rle.sizeImage = 6;
    Bytes data = Header(rle);
    data.resize(data.size() + 256 * 4);
    data.insert(data.end(), {0, 1, 0, 0, 0, 1, 0xAA});
    const BitmapFile f = Read(data);
    EXPECT_FALSE(f.IsDibSection());
    EXPECT_EQ(f.pixels, (Bytes{0, 1, 0, 0, 0, 1}));
}

TEST(BitmapFormat, BitfieldMasksFollowA40ByteHeader)
{
    Info bitfields;
    bitfields.bitCount = 32;
    bitfields.compression = kBiBitfields;
    bitfields.width = 1;
    bitfields.height = 1;
    Bytes data = Header(bitfields);
    Put(data, 0xFF0000, 4);
    Put(data, 0xFF00, 4);
    Put(data, 0xFF, 4);
    Put(data, 0x01020304, 4);
    const BitmapFile f = Read(data);
    EXPECT_EQ(f.info.size(), 52u);
    EXPECT_EQ(InfoField(f, 40), 0xFF0000u);
    EXPECT_EQ(f.pixels, (Bytes{4, 3, 2, 1}));
}

TEST(BitmapFormat, CoreHeaderIsWidenedWithFourByteColours)
{
    Bytes data = {'B', 'M'};
    data.resize(data.size() + 12);
    Put(data, 12, 4);
    Put(data, 3, 2);  // width
    Put(data, 2, 2);  // height
    Put(data, 1, 2);
    Put(data, 1, 2);  // 1 bit per pixel: two 3-byte colours
    data.insert(data.end(), {1, 2, 3, 4, 5, 6});
    data.insert(data.end(), {0x80, 0, 0, 0, 0x40, 0, 0, 0});
    const BitmapFile f = Read(data);
    EXPECT_EQ(InfoField(f, 0), 40u);
    EXPECT_EQ(InfoField(f, 4), 3u);
    EXPECT_EQ(InfoField(f, 8), 2u);
    EXPECT_EQ(f.info.size(), 48u);
    EXPECT_EQ(InfoField(f, 40), 0x00030201u);
    EXPECT_EQ(InfoField(f, 44), 0x00060504u);
    EXPECT_EQ(f.pixels.size(), 8u);
}

TEST(BitmapFormat, SizesThatOverflowOrNeedAbsurdBuffersAreRejected)
{
    const Info cases[] = {
        {0x7FFFFFFF, 0x7FFFFFFF, 1, 32, 0, 0, 0},
        {-0x7FFFFFFF - 1, 2, 1, 24, 0, 0, 0},
        {100000, 100000, 1, 1, 0, 0, 0},
        {4, 2, 1, 24, 0, 0xFFFFFFFF, 0},
        {65536, 65536, 1, 8, 1, 100, 0},  // small compressed data, huge surface
        {8192, 8192, 1, 1, 0, 0, 0},      // 8 MiB of pixels, but a 256 MiB 32-bit drawing surface
    };
    for (const Info& i : cases) {
        Bytes data = Header(i);
        if (i.bitCount <= 8)
            data.resize(data.size() + (std::size_t{1} << i.bitCount) * 4);
        EXPECT_EQ(Failure(data), kInvalid) << i.width << "x" << i.height;
    }
}

TEST(BitmapFormat, RowsArePaddedToFourBytes)
{
    EXPECT_EQ(DibRowBytes(600, 24), 1800u);
    EXPECT_EQ(DibRowBytes(1, 24), 4u);
    EXPECT_EQ(DibRowBytes(3, 1), 4u);
    EXPECT_EQ(DibRowBytes(33, 1), 8u);
    EXPECT_EQ(DibRowBytes(-5, 8), 8u);
}

}  // namespace
