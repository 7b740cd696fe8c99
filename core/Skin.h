// core/Skin.h: which pair of skin images the menu loads, by the user's language.
#pragma once

#include <cstdint>

struct SkinFiles {
    const char* back;  // the menu at rest
    const char* fore;  // every entry highlighted
};

// Korean (0x0412) and Korean Johab (0x0812); every other language is not.
bool IsKoreanLanguage(std::uint16_t languageId);

// Paths relative to the medium's root.
const SkinFiles& SkinFilesFor(bool korean);
