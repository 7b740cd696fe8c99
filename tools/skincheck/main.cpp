// tools/skincheck/main.cpp: the skincheck command: checks skin pairs for the launcher and draws a contact sheet.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <stb_image_write.h>

#include "tools/skincheck/SkinCheck.h"

namespace {

// A compressed 8-bit RGB PNG; false when the file cannot be written.
bool WritePng(const std::string& path, const RgbImage& image)
{
    return stbi_write_png(path.c_str(), image.width, image.height, 3, image.rgb.data(), image.width * 3) != 0;
}

const char kUsage[] =
    "usage: skincheck BACK.bmp FORE.bmp [--sheet OUT.png]\n"
    "       skincheck --medium DIR [--sheet OUT.png]\n";

struct Pair {
    std::string backPath, backName, forePath, foreName;
};

// The skin pairs as the launcher opens them, relative to the medium's root.
std::vector<Pair> MediumPairs(const std::string& dir)
{
    std::vector<Pair> pairs;
    for (const char* lang : {"English", "Korean"}) {
        const std::string suffix = std::strcmp(lang, "English") == 0 ? "Eng" : "Kor";
        const std::string folder = std::string("Autorun\\") + lang + "\\";
        const std::string unixFolder = dir + "/Autorun/" + lang + "/";
        pairs.push_back({unixFolder + "ZoBack_" + suffix + ".bmp", folder + "ZoBack_" + suffix + ".bmp",
                         unixFolder + "ZoFore_" + suffix + ".bmp", folder + "ZoFore_" + suffix + ".bmp"});
    }
    return pairs;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string sheetPath;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--sheet" && i + 1 < args.size()) {
            sheetPath = args[i + 1];
            args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
            break;
        }
    }
    std::vector<Pair> pairs;
    if (args.size() == 2 && args[0] == "--medium")
        pairs = MediumPairs(args[1]);
    else if (args.size() == 2 && args[0].rfind("--", 0) != 0 && args[1].rfind("--", 0) != 0)
        pairs.push_back({args[0], args[0], args[1], args[1]});
    else {
        std::fputs(kUsage, stderr);
        return 2;
    }

    Report report;
    std::vector<SkinFile> skins;
    skins.reserve(pairs.size() * 2);
    std::vector<const SkinFile*> backs, fores;
    for (const Pair& pair : pairs) {
        skins.push_back(ReadSkinFile(pair.backPath, pair.backName));
        skins.push_back(ReadSkinFile(pair.forePath, pair.foreName));
        const SkinFile& back = skins[skins.size() - 2];
        const SkinFile& fore = skins.back();
        if (CheckPair(back, fore, report)) {
            backs.push_back(&back);
            fores.push_back(&fore);
        }
    }
    if (!sheetPath.empty()) {
        if (backs.empty())
            report.Problem("no pair could be compared, no contact sheet written");
        else if (!WritePng(sheetPath, ContactSheet(backs, fores)))
            report.Problem("cannot write " + sheetPath);
        else
            report.Note("contact sheet: " + sheetPath);
    }
    for (const std::string& line : report.lines)
        std::printf("%s\n", line.c_str());
    if (report.problems == 0)
        std::printf("no problems\n");
    else
        std::printf("%d problem%s\n", report.problems, report.problems == 1 ? "" : "s");
    return report.problems == 0 ? 0 : 1;
}
