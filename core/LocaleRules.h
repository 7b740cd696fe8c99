// core/LocaleRules.h: when the longest subkey name length reported by the registry is doubled.
#pragma once

#include <cstdint>

// Primary languages whose ANSI code pages are single-byte.
inline bool IsWesternPrimaryLanguage(std::uint16_t primaryLanguage)
{
    switch (primaryLanguage) {
    case 0x00: case 0x06: case 0x07: case 0x09: case 0x0A: case 0x0B:
    case 0x0C: case 0x10: case 0x13: case 0x14: case 0x16: case 0x1D:
        return true;
    default:
        return false;
    }
}

// On NT the longest subkey name is reported in characters, while the ANSI
// name of a double-byte locale may take up to two bytes per character.
inline bool DoublesSubkeyNameLength(bool ntFamily, std::uint16_t primaryLanguage, bool codePageHasLeadBytes)
{
    return ntFamily && !IsWesternPrimaryLanguage(primaryLanguage) && codePageHasLeadBytes;
}
