// core/Title.cpp: title derivation, free of platform calls.
#include "core/Title.h"

TitleParts SplitTitle(const std::string& ansiPath, IsLeadByteFn isLead)
{
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i < ansiPath.size(); i = NextCharOffset(ansiPath, i, isLead)) {
        if (ansiPath[i] == '\\')
            nameStart = i + 1;
    }
    std::string name = ansiPath.substr(nameStart);
    for (std::size_t i = 0; i < name.size(); i = NextCharOffset(name, i, isLead)) {
        if (name[i] == '.') {
            name.resize(i);
            break;
        }
    }
    const std::size_t lowerFrom = name.empty() ? 0 : NextCharOffset(name, 0, isLead);
    return {name, lowerFrom};
}
