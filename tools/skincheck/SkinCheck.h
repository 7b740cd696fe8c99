// tools/skincheck/SkinCheck.h: the checks a skin pair must pass before it goes on a medium, and the contact sheet.
#pragma once

#include <string>
#include <vector>

#include "tools/skincheck/PixelDecoder.h"

// One skin file as the launcher's reader sees it.
struct SkinFile {
    std::string name;    // as reported, e.g. the launcher's relative path
    bool loads = false;  // the reader accepted it
    bool decoded = false;
    std::string error;   // the reader's error text, or why the pixels were not decoded
    BitmapFile file;
    RgbImage image;
};

// Reads `path` with the launcher's bitmap reader and decodes its pixels.
SkinFile ReadSkinFile(const std::string& path, const std::string& name);

// Findings in reading order; every problem line starts with "problem: ".
struct Report {
    std::vector<std::string> lines;
    int problems = 0;

    void Note(const std::string& line) { lines.push_back(line); }
    void Problem(const std::string& line)
    {
        lines.push_back("problem: " + line);
        ++problems;
    }
};

constexpr int kSkinWidth = 600;
constexpr int kSkinHeight = 400;

// Loading and size of both files, then the zone pieces (must differ) and the rest (must agree).
// Returns whether the pixels could be compared.
bool CheckPair(const SkinFile& back, const SkinFile& fore, Report& report);

// Pairs that decoded, one row per zone in table order: back piece, then fore piece, each scaled 2x.
RgbImage ContactSheet(const std::vector<const SkinFile*>& backs, const std::vector<const SkinFile*>& fores);
