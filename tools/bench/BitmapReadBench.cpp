// tools/bench/BitmapReadBench.cpp: the bitmap reader on a 600 x 400 24-bit file in memory, against memcpy and stb_image.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

#include "core/BitmapFormat.h"

namespace {

class MemorySource : public ByteSource {
public:
    explicit MemorySource(const std::vector<std::uint8_t>& data) : data_(data) {}
    std::optional<std::uint64_t> Length() override { return data_.size(); }
    std::optional<std::size_t> Read(void* buffer, std::size_t count) override
    {
        const std::size_t n = std::min(count, data_.size() - at_);
        std::memcpy(buffer, data_.data() + at_, n);
        at_ += n;
        return n;
    }

private:
    const std::vector<std::uint8_t>& data_;
    std::size_t at_ = 0;
};

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A bottom-up 24-bit BI_RGB file with a 40-byte header, as the skins are.
const std::vector<std::uint8_t>& SkinFile()
{
    static const std::vector<std::uint8_t> file = [] {
        constexpr int kWidth = 600, kHeight = 400, kStride = kWidth * 3;
        std::vector<std::uint8_t> f = {'B', 'M'};
        Put(f, 54 + kStride * kHeight, 4);
        Put(f, 0, 4);
        Put(f, 54, 4);
        Put(f, 40, 4);
        Put(f, kWidth, 4);
        Put(f, kHeight, 4);
        Put(f, 1, 2);
        Put(f, 24, 2);
        Put(f, 0, 4);
        Put(f, kStride * kHeight, 4);
        Put(f, 2835, 4);
        Put(f, 2835, 4);
        Put(f, 0, 4);
        Put(f, 0, 4);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                f.insert(f.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                   static_cast<std::uint8_t>(x ^ y)});
        return f;
    }();
    return file;
}

void BM_ReadBitmapFile(benchmark::State& state)
{
    const auto& file = SkinFile();
    for (auto _ : state) {
        MemorySource source(file);
        BitmapFile bitmap = ReadBitmapFile(source);
        benchmark::DoNotOptimize(bitmap.pixels.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

void BM_Memcpy(benchmark::State& state)
{
    const auto& file = SkinFile();
    std::vector<std::uint8_t> copy(file.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), file.data(), file.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

void BM_StbImage(benchmark::State& state)
{
    const auto& file = SkinFile();
    for (auto _ : state) {
        int width = 0, height = 0, channels = 0;
        stbi_uc* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height,
                                                &channels, 0);
        if (!pixels) {
            state.SkipWithError("stb_image refused the file");
            break;
        }
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

BENCHMARK(BM_ReadBitmapFile);
BENCHMARK(BM_Memcpy);
BENCHMARK(BM_StbImage);

}  // namespace

BENCHMARK_MAIN();
