// core/DifxRecords.cpp: the maker's name search and the service decision, free of registry calls.
#include "core/DifxRecords.h"

#include <algorithm>

namespace {

// ASCII letters only: the code page's other letters fold differently in each code page.
char FoldCase(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `text` holds `word` at `pos`; a double-byte character's bytes compare as they are.
bool MatchesAt(const std::string& text, std::size_t pos, const std::string& word, IsLeadByteFn isLead)
{
    if (text.size() - pos < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); i = NextCharOffset(word, i, isLead)) {
        const std::size_t width = NextCharOffset(word, i, isLead) - i;
        if (width == 1 ? FoldCase(text[pos + i]) != FoldCase(word[i])
                       : text.compare(pos + i, width, word, i, width) != 0)
            return false;
    }
    return true;
}

bool Holds(const std::string& text, const std::string& word, IsLeadByteFn isLead)
{
    for (std::size_t pos = 0; pos < text.size(); pos = NextCharOffset(text, pos, isLead)) {
        if (MatchesAt(text, pos, word, isLead))
            return true;
    }
    return false;
}

bool SameName(const std::string& a, const std::string& b, IsLeadByteFn isLead)
{
    return a.size() == b.size() && MatchesAt(a, 0, b, isLead);
}

bool Lists(const std::vector<std::string>& list, const std::string& name, IsLeadByteFn isLead)
{
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& item) { return SameName(item, name, isLead); });
}

}  // namespace

bool NamesMaker(const std::vector<std::string>& texts, IsLeadByteFn isLead)
{
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& text) { return Holds(text, kMakerName, isLead); });
}

std::vector<std::string> ServicesToDelete(const std::vector<std::string>& serviceKeys,
                                          const std::vector<std::string>& deletedLists,
                                          const std::vector<std::string>& remainingLists, IsLeadByteFn isLead)
{
    std::vector<std::string> names;
    for (const std::string& key : serviceKeys) {
        if (Lists(deletedLists, key, isLead) && !Lists(remainingLists, key, isLead))
            names.push_back(key);
    }
    return names;
}
