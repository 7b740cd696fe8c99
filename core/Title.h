// core/Title.h: derives the application title from the executable's path.
#pragma once

#include <string>

#include "core/CodePage.h"

struct TitleParts {
    std::string text;        // file name after the last backslash, cut at the first dot
    std::size_t lowerFrom;   // offset of the second character: lower-casing starts here
};

// Both searches skip double-byte characters, so a trail byte 0x5C or 0x2E is
// never taken for a backslash or a dot.
TitleParts SplitTitle(const std::string& ansiPath, IsLeadByteFn isLead);
