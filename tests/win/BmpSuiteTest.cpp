// tests/win/BmpSuiteTest.cpp: every file of the public BMP suite through the bitmap loader and the real GDI.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "WinTestFiles.h"
#include "core/Error.h"
#include "platform/BitmapLoader.h"
#include "platform/Image.h"

namespace {

enum class Outcome { Loads, ReadError, NotValid, SystemError };

const char* Describe(Outcome o)
{
    switch (o) {
    case Outcome::Loads: return "loads";
    case Outcome::ReadError: return "\"Stream read error\"";
    case Outcome::NotValid: return "\"Bitmap image is not valid\"";
    case Outcome::SystemError: return "\"System Error.  Code: N.\"";
    }
    return "?";
}

struct Expected {
    const char* name;  // relative to the suite folder
    Outcome outcome;
    DWORD code;        // the system error code, for Outcome::SystemError
};

// What loading each file of the suite gives under Wine 8.0. "reader" marks files the bitmap reader
// refuses itself; "GDI" files that Wine's DIB functions refuse (a format GDI cannot draw).
const Expected kExpected[] = {
    {"b/badbitcount.bmp", Outcome::NotValid, 0},  // GDI: 30000 bits per pixel
    {"b/badbitssize.bmp", Outcome::NotValid, 0},  // reader: image size field of 2 GB
    {"b/baddens1.bmp", Outcome::Loads, 0},
    {"b/baddens2.bmp", Outcome::Loads, 0},
    {"b/badfilesize.bmp", Outcome::Loads, 0},
    {"b/badheadersize.bmp", Outcome::Loads, 0},
    {"b/badpalettesize.bmp", Outcome::NotValid, 0},  // reader: more than 256 colours
    {"b/badplanes.bmp", Outcome::NotValid, 0},  // reader: plane count not 1
    {"b/badrle.bmp", Outcome::Loads, 0},  // GDI accepts broken RLE data
    {"b/badrle4.bmp", Outcome::Loads, 0},
    {"b/badrle4bis.bmp", Outcome::Loads, 0},
    {"b/badrle4ter.bmp", Outcome::Loads, 0},
    {"b/badrlebis.bmp", Outcome::Loads, 0},
    {"b/badrleter.bmp", Outcome::Loads, 0},
    {"b/badwidth.bmp", Outcome::NotValid, 0},  // GDI: negative width
    {"b/pal8badindex.bmp", Outcome::Loads, 0},
    {"b/reallybig.bmp", Outcome::NotValid, 0},  // reader: 3000000 x 2000000
    {"b/rgb16-880.bmp", Outcome::NotValid, 0},  // GDI: a zero colour mask
    {"b/rletopdown.bmp", Outcome::SystemError, 87},  // GDI: RLE data top-down
    {"b/shortfile.bmp", Outcome::Loads, 0},  // pixels cut short load as far as they go
    {"g/pal1.bmp", Outcome::Loads, 0},
    {"g/pal1bg.bmp", Outcome::Loads, 0},
    {"g/pal1wb.bmp", Outcome::Loads, 0},
    {"g/pal4.bmp", Outcome::Loads, 0},
    {"g/pal4gs.bmp", Outcome::Loads, 0},
    {"g/pal4rle.bmp", Outcome::Loads, 0},
    {"g/pal8-0.bmp", Outcome::Loads, 0},
    {"g/pal8.bmp", Outcome::Loads, 0},
    {"g/pal8gs.bmp", Outcome::Loads, 0},
    {"g/pal8nonsquare.bmp", Outcome::Loads, 0},
    {"g/pal8os2.bmp", Outcome::Loads, 0},
    {"g/pal8rle.bmp", Outcome::Loads, 0},
    {"g/pal8topdown.bmp", Outcome::Loads, 0},
    {"g/pal8v4.bmp", Outcome::Loads, 0},
    {"g/pal8v5.bmp", Outcome::Loads, 0},
    {"g/pal8w124.bmp", Outcome::Loads, 0},
    {"g/pal8w125.bmp", Outcome::Loads, 0},
    {"g/pal8w126.bmp", Outcome::Loads, 0},
    {"g/rgb16-565.bmp", Outcome::Loads, 0},
    {"g/rgb16-565pal.bmp", Outcome::Loads, 0},
    {"g/rgb16.bmp", Outcome::Loads, 0},
    {"g/rgb16bfdef.bmp", Outcome::Loads, 0},
    {"g/rgb24.bmp", Outcome::Loads, 0},
    {"g/rgb24pal.bmp", Outcome::Loads, 0},
    {"g/rgb32.bmp", Outcome::Loads, 0},
    {"g/rgb32bf.bmp", Outcome::Loads, 0},
    {"g/rgb32bfdef.bmp", Outcome::Loads, 0},
    {"q/pal1huffmsb.bmp", Outcome::NotValid, 0},  // GDI: OS/2 Huffman (compression 3 at 1 bit) as bit fields
    {"q/pal1p1.bmp", Outcome::Loads, 0},
    {"q/pal2.bmp", Outcome::NotValid, 0},  // GDI: 2 bits per pixel
    {"q/pal2color.bmp", Outcome::NotValid, 0},  // GDI: 2 bits per pixel
    {"q/pal4rlecut.bmp", Outcome::Loads, 0},
    {"q/pal4rletrns.bmp", Outcome::Loads, 0},
    {"q/pal8offs.bmp", Outcome::Loads, 0},  // loads, but pixels read from right after the colour table
    {"q/pal8os2-hs.bmp", Outcome::Loads, 0},
    {"q/pal8os2-sz.bmp", Outcome::Loads, 0},
    {"q/pal8os2sp.bmp", Outcome::Loads, 0},  // loads, but pixels read from right after the colour table
    {"q/pal8os2v2-16.bmp", Outcome::NotValid, 0},  // GDI: a 16-byte header
    {"q/pal8os2v2-40sz.bmp", Outcome::Loads, 0},
    {"q/pal8os2v2-sz.bmp", Outcome::Loads, 0},
    {"q/pal8os2v2.bmp", Outcome::Loads, 0},
    {"q/pal8oversizepal.bmp", Outcome::NotValid, 0},  // reader: more than 256 colours
    {"q/pal8rlecut.bmp", Outcome::Loads, 0},
    {"q/pal8rletrns.bmp", Outcome::Loads, 0},
    {"q/rgb16-231.bmp", Outcome::Loads, 0},
    {"q/rgb16-3103.bmp", Outcome::Loads, 0},
    {"q/rgb16faketrns.bmp", Outcome::Loads, 0},
    {"q/rgb24jpeg.bmp", Outcome::NotValid, 0},  // GDI: JPEG in a DIB
    {"q/rgb24largepal.bmp", Outcome::NotValid, 0},  // reader: more than 256 colours
    {"q/rgb24lprof.bmp", Outcome::Loads, 0},
    {"q/rgb24png.bmp", Outcome::NotValid, 0},  // GDI: PNG in a DIB
    {"q/rgb24prof.bmp", Outcome::Loads, 0},
    {"q/rgb24prof2.bmp", Outcome::Loads, 0},
    {"q/rgb24rle24.bmp", Outcome::NotValid, 0},  // GDI: OS/2 RLE24 (compression 4 at 24 bits)
    {"q/rgb32-111110.bmp", Outcome::Loads, 0},
    {"q/rgb32-7187.bmp", Outcome::Loads, 0},
    {"q/rgb32-xbgr.bmp", Outcome::Loads, 0},
    {"q/rgb32fakealpha.bmp", Outcome::Loads, 0},
    {"q/rgb32h52.bmp", Outcome::Loads, 0},
    {"q/rgba16-1924.bmp", Outcome::Loads, 0},
    {"q/rgba16-4444.bmp", Outcome::Loads, 0},
    {"q/rgba16-5551.bmp", Outcome::Loads, 0},
    {"q/rgba32-1.bmp", Outcome::Loads, 0},
    {"q/rgba32-1010102.bmp", Outcome::Loads, 0},
    {"q/rgba32-2.bmp", Outcome::Loads, 0},
    {"q/rgba32-61754.bmp", Outcome::Loads, 0},
    {"q/rgba32-81284.bmp", Outcome::Loads, 0},
    {"q/rgba32abf.bmp", Outcome::SystemError, 87},  // GDI: alpha bit fields (compression 6) in a 40-byte header
    {"q/rgba32h56.bmp", Outcome::Loads, 0},
    {"q/rgba64.bmp", Outcome::NotValid, 0},  // GDI: 64 bits per pixel
    {"x/ba-bm.bmp", Outcome::NotValid, 0},  // reader: an OS/2 bitmap array, "BA" not "BM"
};

std::string Env(const char* name)
{
    char value[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA(name, value, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? std::string() : std::string(value);
}

// The suite's .bmp files as "g/pal1.bmp" and so on, from its four folders.
std::set<std::string> SuiteFiles(const std::string& dir)
{
    std::set<std::string> names;
    for (const char* sub : {"g", "q", "b", "x"}) {
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA((dir + "\\" + sub + "\\*.bmp").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE)
            continue;
        do
            names.insert(std::string(sub) + "/" + entry.cFileName);
        while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    return names;
}

std::string HostPath(const std::string& dir, std::string name)
{
    std::replace(name.begin(), name.end(), '/', '\\');
    return dir + "\\" + name;
}

// Wine 8.0 answers every process's handle count with 0 (the call succeeds), so there this check
// holds trivially; the file handle is checked below by opening the file without sharing.
DWORD HandleCount()
{
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? count : 0;
}

struct Result {
    Outcome outcome = Outcome::Loads;
    DWORD code = 0;
    std::string text;
};

// Loads the file and sorts what happens into one of the outcomes; any other text is a failure.
Result Load(const std::string& path)
{
    Result r;
    try {
        const LoadedBitmap loaded = LoadBitmapFile(path);
        EXPECT_NE(loaded.bitmap.Get(), nullptr) << "only a zero-length file loads without a bitmap";
    } catch (const Error& e) {
        r.text = e.what();
        const std::string prefix = "System Error.  Code: ";
        if (r.text == "Stream read error" && e.Kind() == ErrorKind::EReadError) {
            r.outcome = Outcome::ReadError;
        } else if (r.text == "Bitmap image is not valid" && e.Kind() == ErrorKind::EInvalidGraphic) {
            r.outcome = Outcome::NotValid;
        } else if (r.text.rfind(prefix, 0) == 0 && e.Kind() == ErrorKind::EOSError) {
            r.outcome = Outcome::SystemError;
            r.code = std::strtoul(r.text.c_str() + prefix.size(), nullptr, 10);
            EXPECT_EQ(r.text.substr(0, prefix.size() + std::to_string(r.code).size() + 3),
                      prefix + std::to_string(r.code) + ".\r\n")
                << r.text;
        } else {
            ADD_FAILURE() << path << ": unexpected error text \"" << r.text << "\"";
        }
    }
    return r;
}

TEST(BmpSuite, EveryFileLoadsOrFailsWithItsText)
{
    const std::string dir = wintest::BmpSuiteDir();
    ASSERT_FALSE(dir.empty()) << "BMPSUITE_DIR is not set";
    const std::set<std::string> onDisk = SuiteFiles(dir);
    ASSERT_FALSE(onDisk.empty()) << "no .bmp files under " << dir;

    std::map<std::string, const Expected*> table;
    for (const Expected& e : kExpected)
        table[e.name] = &e;
    for (const std::string& name : onDisk)
        EXPECT_TRUE(table.count(name)) << name << " is not in the table";
    for (const Expected& e : kExpected)
        EXPECT_TRUE(onDisk.count(e.name)) << e.name << " is in the table but not in the suite";

    std::map<std::string, int> tally;
    for (const std::string& name : onDisk) {
        SCOPED_TRACE(name);
        const long gdiBefore = GdiLiveObjects();
        const DWORD handlesBefore = HandleCount();
        const Result r = Load(HostPath(dir, name));
        EXPECT_EQ(GdiLiveObjects(), gdiBefore) << "GDI objects left behind";
        EXPECT_EQ(HandleCount(), handlesBefore) << "handles left behind";
        HANDLE alone = CreateFileA(HostPath(dir, name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(alone, INVALID_HANDLE_VALUE) << "the file is still open";
        if (alone != INVALID_HANDLE_VALUE)
            CloseHandle(alone);

        std::string label = Describe(r.outcome);
        if (r.outcome == Outcome::SystemError)
            label = "\"System Error.  Code: " + std::to_string(r.code) + ".\"";
        ++tally[label];
        std::printf("  %-24s %s\n", name.c_str(), label.c_str());
        const auto row = table.find(name);
        if (row == table.end())
            continue;
        EXPECT_EQ(Describe(r.outcome), std::string(Describe(row->second->outcome))) << r.text;
        if (r.outcome == Outcome::SystemError && row->second->outcome == Outcome::SystemError) {
            EXPECT_EQ(r.code, row->second->code) << r.text;
        }
    }
    std::printf("BMP suite: %u files\n", static_cast<unsigned>(onDisk.size()));
    for (const auto& t : tally)
        std::printf("  %3d %s\n", t.second, t.first.c_str());
}

struct Compared {
    const char* name;
    const char* reference;  // the suite's reference picture, converted to a 24-bit file
};

// The good files, all with their pixels right after the colour table, and the picture each must show.
// None has an alpha channel; the files that have one (q/rgba*) are checked for their outcome only,
// since the launcher draws with a plain copy and shows no transparency.
const Compared kCompared[] = {
    {"g/pal1.bmp", "pal1"},
    {"g/pal1bg.bmp", "pal1bg"},
    {"g/pal1wb.bmp", "pal1"},
    {"g/pal4.bmp", "pal4"},
    {"g/pal4gs.bmp", "pal4gs"},
    {"g/pal4rle.bmp", "pal4"},
    {"g/pal8-0.bmp", "pal8"},
    {"g/pal8.bmp", "pal8"},
    {"g/pal8gs.bmp", "pal8gs"},
    {"g/pal8nonsquare.bmp", "pal8nonsquare-e"},
    {"g/pal8os2.bmp", "pal8"},
    {"g/pal8rle.bmp", "pal8"},
    {"g/pal8topdown.bmp", "pal8"},
    {"g/pal8v4.bmp", "pal8"},
    {"g/pal8v5.bmp", "pal8"},
    {"g/pal8w124.bmp", "pal8w124"},
    {"g/pal8w125.bmp", "pal8w125"},
    {"g/pal8w126.bmp", "pal8w126"},
    {"g/rgb16-565.bmp", "rgb16-565"},
    {"g/rgb16-565pal.bmp", "rgb16-565"},
    {"g/rgb16.bmp", "rgb16"},
    {"g/rgb16bfdef.bmp", "rgb16"},
    {"g/rgb24.bmp", "rgb24"},
    {"g/rgb24pal.bmp", "rgb24"},
    {"g/rgb32.bmp", "rgb24"},
    {"g/rgb32bf.bmp", "rgb24"},
    {"g/rgb32bfdef.bmp", "rgb24"},
};

// Where Wine's GDI shows a good file otherwise than its reference, and by how much a channel may differ.
struct Difference {
    const char* name;
    int tolerance;
    const char* reason;
};
const Difference kDifferences[] = {
    {"g/rgb16-565.bmp", 1, "5- and 6-bit channels widened by bit replication; the reference rounds v*255/31"},
    {"g/rgb16-565pal.bmp", 1, "5- and 6-bit channels widened by bit replication; the reference rounds v*255/31"},
    {"g/rgb16.bmp", 1, "5-bit channels widened by bit replication; the reference rounds v*255/31"},
    {"g/rgb16bfdef.bmp", 1, "5-bit channels widened by bit replication; the reference rounds v*255/31"},
};

int ToleranceOf(const std::string& name)
{
    for (const Difference& d : kDifferences)
        if (name == d.name)
            return d.tolerance;
    return 0;
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0xRRGGBB, top row first
};

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int size)
{
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | b[at + i];
    return v;
}

// A bottom-up 24-bit file as the converter writes it; empty when it is anything else.
Picture ReadReference(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Picture p;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || Le(b, 28, 2) != 24 || Le(b, 30, 4) != 0)
        return p;
    const std::uint32_t offset = Le(b, 10, 4);
    const int width = static_cast<int>(Le(b, 18, 4));
    const int height = static_cast<int>(Le(b, 22, 4));
    const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    if (width <= 0 || height <= 0 || offset + row * height > b.size())
        return p;
    p.width = width;
    p.height = height;
    for (int y = 0; y < height; ++y) {
        const std::size_t start = offset + row * (height - 1 - y);
        for (int x = 0; x < width; ++x)
            p.pixels.push_back(Le(b, start + 3 * x, 3));
    }
    return p;
}

// What the menu window shows of the image: drawn with Image::Draw into a 24-bit surface, as on the screen.
Picture Displayed(const Image& image)
{
    Picture p;
    p.width = image.Width();
    p.height = image.Height();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = p.width;
    info.bmiHeader.biHeight = -p.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    const WindowDC screen(nullptr);
    GdiBitmap surface(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (surface.Get() == nullptr)
        return Picture();
    {
        const MemoryDC dc(screen.Get());
        const ScopedSelect selected(dc.Get(), surface.Get());
        image.Draw(dc.Get(), 0, 0);
        GdiFlush();
    }
    p.pixels = wintest::PixelsOf(surface.Get(), p.width, p.height);
    return p;
}

int ChannelDifference(std::uint32_t a, std::uint32_t b)
{
    int most = 0;
    for (int shift = 0; shift < 24; shift += 8)
        most = std::max(most, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
    return most;
}

TEST(BmpSuite, GoodFilesShowTheirReferencePixels)
{
    const std::string dir = wintest::BmpSuiteDir();
    const std::string refs = Env("BMPSUITE_REF_DIR");
    ASSERT_FALSE(dir.empty()) << "BMPSUITE_DIR is not set";
    ASSERT_FALSE(refs.empty()) << "BMPSUITE_REF_DIR is not set";

    // Every good file is compared.
    std::set<std::string> compared;
    for (const Compared& c : kCompared)
        compared.insert(c.name);
    for (const std::string& name : SuiteFiles(dir))
        if (name.rfind("g/", 0) == 0) {
            EXPECT_TRUE(compared.count(name)) << name << " is not compared";
        }

    for (const Compared& c : kCompared) {
        SCOPED_TRACE(c.name);
        const Picture expected = ReadReference(refs + "\\" + c.reference + ".bmp");
        ASSERT_GT(expected.width, 0) << "no reference picture " << c.reference;
        const long gdiBefore = GdiLiveObjects();
        {
            Image image;
            image.LoadFromFile(HostPath(dir, c.name));
            const Picture shown = Displayed(image);
            ASSERT_EQ(shown.width, expected.width);
            ASSERT_EQ(shown.height, expected.height);
            int wrong = 0, most = 0;
            for (std::size_t i = 0; i < shown.pixels.size(); ++i) {
                const int d = ChannelDifference(shown.pixels[i], expected.pixels[i]);
                wrong += d != 0;
                most = std::max(most, d);
            }
            std::printf("  %-24s %5d of %5u pixels differ, by at most %d\n", c.name, wrong,
                        static_cast<unsigned>(shown.pixels.size()), most);
            const int tolerance = ToleranceOf(c.name);
            EXPECT_LE(most, tolerance) << wrong << " pixels differ";
            if (tolerance != 0) {
                EXPECT_EQ(most, tolerance) << "now closer to the reference than the table says";
            }
        }
        EXPECT_EQ(GdiLiveObjects(), gdiBefore);
    }
}

}  // namespace
