// core/RegistryValue.cpp: the strings of text and text-list values, read from bytes that may lack their NULs.
#include "core/RegistryValue.h"

namespace {

std::string TextUpToNul(const std::string& bytes, std::size_t from)
{
    return bytes.substr(from, bytes.find('\0', from) - from);
}

std::vector<std::string> SplitList(const std::string& bytes)
{
    std::vector<std::string> items;
    for (std::size_t at = 0; at < bytes.size() && bytes[at] != '\0'; at += items.back().size() + 1)
        items.push_back(TextUpToNul(bytes, at));
    return items;
}

}  // namespace

std::vector<std::string> ValueStrings(const StoredValue& value, bool listAccepted)
{
    if (value.shape == ValueShape::Text)
        return {TextUpToNul(value.bytes, 0)};
    if (value.shape == ValueShape::TextList && listAccepted)
        return SplitList(value.bytes);
    return {};
}
