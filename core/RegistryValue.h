// core/RegistryValue.h: a registry value's type and bytes as read, and the strings it holds.
#pragma once

#include <string>
#include <vector>

// The value types that hold text; any other type, or no value, is Other.
enum class ValueShape { Text, TextList, Other };  // REG_SZ, REG_MULTI_SZ

struct StoredValue {
    ValueShape shape = ValueShape::Other;
    std::string bytes;  // as read: need not end in a NUL
};

// A text's characters up to its first NUL; a list's items, only where lists are accepted: each item ends at
// a NUL, and an empty item or the end of the bytes ends the list. Nothing for any other value.
std::vector<std::string> ValueStrings(const StoredValue& value, bool listAccepted);
