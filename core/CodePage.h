// core/CodePage.h: how platform-free text code learns which bytes start a double-byte character.
#pragma once

#include <cstddef>
#include <string>

// Answers whether a byte is the lead byte of a double-byte character in the
// ANSI code page in force; the Windows build asks IsDBCSLeadByte.
using IsLeadByteFn = bool (*)(unsigned char);

inline bool NoLeadBytes(unsigned char) { return false; }

// Offset of the character that follows the one starting at `pos`.
inline std::size_t NextCharOffset(const std::string& text, std::size_t pos, IsLeadByteFn isLead)
{
    if (isLead(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size())
        return pos + 2;
    return pos + 1;
}
