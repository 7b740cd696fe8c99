// tools/skincheck/SkinCheck.cpp: skin pair checks against the launcher's zone table, through its own bitmap reader.
#include "tools/skincheck/SkinCheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/Error.h"
#include "core/MenuZones.h"

namespace {

class FileSource : public ByteSource {
public:
    explicit FileSource(std::FILE* f) : f_(f) {}
    std::optional<std::uint64_t> Length() override
    {
        struct stat st;
        if (fstat(fileno(f_.get()), &st) != 0)
            return std::nullopt;
        return static_cast<std::uint64_t>(st.st_size);
    }
    std::optional<std::size_t> Read(void* buffer, std::size_t count) override
    {
        const std::size_t got = std::fread(buffer, 1, count, f_.get());
        if (std::ferror(f_.get()))
            return std::nullopt;
        return got;
    }

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> f_;
};

const char* ZoneName(MenuAction action)
{
    switch (action) {
    case MenuAction::RunInstaller: return "install";
    case MenuAction::BrowseMedium: return "browse";
    case MenuAction::ShowUninstallDialog: return "uninstall";
    case MenuAction::ExitLauncher: return "exit";
    }
    return "?";
}

// The piece the highlight copies: one column and one row fewer than the inclusive hit test.
bool InPiece(const Rect& zone, int x, int y)
{
    return zone.Left <= x && x < zone.Right && zone.Top <= y && y < zone.Bottom;
}

bool SamePixel(const RgbImage& a, const RgbImage& b, int x, int y)
{
    return std::memcmp(a.At(x, y), b.At(x, y), 3) == 0;
}

std::string Describe(const SkinFile& skin)
{
    const BitmapHeader& h = skin.file.header;
    return std::to_string(std::abs(h.width)) + " x " + std::to_string(std::abs(h.height)) + ", " +
           std::to_string(h.bitCount) + " bits per pixel" + (h.height < 0 ? ", top-down" : "");
}

bool CheckFile(const SkinFile& skin, Report& report)
{
    if (!skin.loads) {
        report.Problem(skin.name + ": does not load: " + skin.error);
        return false;
    }
    if (skin.file.empty) {
        report.Problem(skin.name + ": empty file (0 x 0), must be " + std::to_string(kSkinWidth) + " x " +
                       std::to_string(kSkinHeight));
        return false;
    }
    bool usable = true;
    const BitmapHeader& h = skin.file.header;
    if (std::abs(h.width) != kSkinWidth || std::abs(h.height) != kSkinHeight) {
        report.Problem(skin.name + ": size " + std::to_string(std::abs(h.width)) + " x " +
                       std::to_string(std::abs(h.height)) + ", must be " + std::to_string(kSkinWidth) + " x " +
                       std::to_string(kSkinHeight));
        usable = false;
    } else {
        report.Note(skin.name + ": loads, " + Describe(skin));
    }
    if (!skin.decoded) {
        report.Problem(skin.name + ": " + skin.error);
        usable = false;
    }
    return usable;
}

void Blit2x(RgbImage& sheet, const RgbImage& from, const Rect& zone, int left, int top)
{
    for (int y = zone.Top; y < zone.Bottom; ++y)
        for (int x = zone.Left; x < zone.Right; ++x)
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    std::memcpy(sheet.At(left + 2 * (x - zone.Left) + dx, top + 2 * (y - zone.Top) + dy),
                                from.At(x, y), 3);
}

}  // namespace

SkinFile ReadSkinFile(const std::string& path, const std::string& name)
{
    SkinFile skin;
    skin.name = name;
    struct stat st;
    std::FILE* f = stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? std::fopen(path.c_str(), "rb") : nullptr;
    if (!f) {
        skin.error = "Cannot open file " + name;
        return skin;
    }
    FileSource source(f);
    try {
        skin.file = ReadBitmapFile(source);
    } catch (const Error& e) {
        skin.error = e.what();
        return skin;
    }
    skin.loads = true;
    skin.decoded = DecodePixels(skin.file, skin.image, skin.error);
    return skin;
}

bool CheckPair(const SkinFile& back, const SkinFile& fore, Report& report)
{
    const bool backUsable = CheckFile(back, report);
    const bool foreUsable = CheckFile(fore, report);
    if (!backUsable || !foreUsable) {
        report.Note("zones of " + back.name + " and " + fore.name + " not compared");
        return false;
    }
    const RgbImage& b = back.image;
    const RgbImage& f = fore.image;
    for (const MenuZone& zone : kMenuZones) {
        const Rect& r = zone.rect;
        int differing = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                differing += SamePixel(b, f, x, y) ? 0 : 1;
        const std::string label = std::string("zone ") + ZoneName(zone.action) + " (columns " +
                                  std::to_string(r.Left) + ".." + std::to_string(r.Right - 1) + ", rows " +
                                  std::to_string(r.Top) + ".." + std::to_string(r.Bottom - 1) + ")";
        if (differing == 0)
            report.Problem(label + ": back and fore are identical, the highlight would not show");
        else
            report.Note(label + ": highlight changes " + std::to_string(differing) + " of " +
                        std::to_string((r.Right - r.Left) * (r.Bottom - r.Top)) + " pixels");
    }
    int differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < kSkinHeight; ++y) {
        for (int x = 0; x < kSkinWidth; ++x) {
            bool inside = false;
            for (const MenuZone& zone : kMenuZones)
                inside = inside || InPiece(zone.rect, x, y);
            if (inside || SamePixel(b, f, x, y))
                continue;
            if (differing++ == 0)
                firstX = x, firstY = y;
        }
    }
    if (differing == 0)
        report.Note("outside the zones: back and fore agree");
    else
        report.Problem("outside the zones: " + std::to_string(differing) + " pixel" + (differing == 1 ? "" : "s") +
                       " of back and fore differ, first at (" + std::to_string(firstX) + ", " +
                       std::to_string(firstY) + ")");
    return true;
}

RgbImage ContactSheet(const std::vector<const SkinFile*>& backs, const std::vector<const SkinFile*>& fores)
{
    constexpr int kGap = 8;
    int pieceWidth = 0, pieceHeight = 0;
    for (const MenuZone& zone : kMenuZones) {
        pieceWidth = std::max(pieceWidth, 2 * (zone.rect.Right - zone.rect.Left));
        pieceHeight = std::max(pieceHeight, 2 * (zone.rect.Bottom - zone.rect.Top));
    }
    const int rows = static_cast<int>(backs.size() * kMenuZones.size());
    RgbImage sheet;
    sheet.width = kGap + 2 * (pieceWidth + kGap);
    sheet.height = kGap + rows * (pieceHeight + kGap);
    sheet.rgb.assign(static_cast<std::size_t>(sheet.width) * sheet.height * 3, 0x80);
    int top = kGap;
    for (std::size_t i = 0; i < backs.size(); ++i) {
        for (const MenuZone& zone : kMenuZones) {
            Blit2x(sheet, backs[i]->image, zone.rect, kGap, top);
            Blit2x(sheet, fores[i]->image, zone.rect, 2 * kGap + pieceWidth, top);
            top += pieceHeight + kGap;
        }
    }
    return sheet;
}
