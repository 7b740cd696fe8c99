// tools/probe/Json.h: a minimal JSON text builder producing UTF-8 from wide or narrow strings.
#pragma once

#include <string>
#include <vector>

namespace json {

// A JSON string literal of UTF-16 text, encoded as UTF-8.
std::string Str(const std::wstring& text);
// A JSON string literal of text that is already UTF-8.
std::string Str(const std::string& utf8);
inline std::string Str(const char* utf8) { return Str(std::string(utf8)); }
std::string Num(long long value);
inline std::string Bool(bool value) { return value ? "true" : "false"; }
std::string Array(const std::vector<std::string>& items);

// Builds an object member by member; values are JSON texts.
class Object {
public:
    Object& Add(const char* key, const std::string& value);
    std::string Text() const { return "{" + body_ + "}"; }

private:
    std::string body_;
};

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

}  // namespace json
