// tests/host/RegistryPathTest.cpp: how the registry accessor resolves key paths, and when it doubles name lengths.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/LocaleRules.h"
#include "core/RegistryPath.h"

namespace {

struct ResolveCase {
    const char* path;
    bool currentKeyOpen;
    bool fromCurrentKey;
    const char* resolved;
};

TEST(RegistryPath, ResolvesAbsoluteAndRelativePaths)
{
    const ResolveCase cases[] = {
        {"\\SOFTWARE\\ZORVA", false, false, "SOFTWARE\\ZORVA"},
        {"\\SOFTWARE\\ZORVA", true, false, "SOFTWARE\\ZORVA"},
        {"SOFTWARE\\ZORVA", false, false, "SOFTWARE\\ZORVA"},
        {"SOFTWARE\\ZORVA", true, true, "SOFTWARE\\ZORVA"},
        {"", false, false, ""},
        {"", true, true, ""},
        {"\\", false, false, ""},
        {"\\", true, false, ""},
        // Only one leading backslash is dropped.
        {"\\\\NOMAD", true, false, "\\NOMAD"},
    };
    for (const ResolveCase& c : cases) {
        SCOPED_TRACE(std::string("path '") + c.path + "', current key open " + (c.currentKeyOpen ? "yes" : "no"));
        const ResolvedKeyPath resolved = ResolveKeyPath(c.path, c.currentKeyOpen);
        EXPECT_EQ(resolved.fromCurrentKey, c.fromCurrentKey);
        EXPECT_EQ(resolved.path, c.resolved);
    }
}

TEST(RegistryPath, JoinsRelativePathsToTheCurrentPath)
{
    EXPECT_EQ(JoinCurrentPath("SOFTWARE\\ZORVA", ResolveKeyPath("SETUP\\NOMAD", true)),
              "SOFTWARE\\ZORVA\\SETUP\\NOMAD");
    EXPECT_EQ(JoinCurrentPath("SOFTWARE\\ZORVA", ResolveKeyPath("\\SOFTWARE\\Other", true)), "SOFTWARE\\Other");
    EXPECT_EQ(JoinCurrentPath("", ResolveKeyPath("SOFTWARE\\ZORVA", false)), "SOFTWARE\\ZORVA");
}

struct DoublingCase {
    bool ntFamily;
    std::uint16_t primaryLanguage;
    bool leadBytes;
    bool doubled;
};

TEST(SubkeyNameLength, DoubledOnlyOnNtForNonWesternDoubleByteLocales)
{
    const DoublingCase cases[] = {
        {true, 0x12, true, true},    // Korean, code page 949
        {true, 0x11, true, true},    // Japanese
        {true, 0x04, true, true},    // Chinese
        {false, 0x12, true, false},  // not NT
        {true, 0x12, false, false},  // no lead bytes
        {true, 0x19, false, false},  // Russian, single-byte
        {true, 0x09, true, false},   // English with a double-byte code page
        {true, 0x00, true, false},
        {true, 0x1D, true, false},
    };
    for (const DoublingCase& c : cases) {
        SCOPED_TRACE(c.primaryLanguage);
        EXPECT_EQ(DoublesSubkeyNameLength(c.ntFamily, c.primaryLanguage, c.leadBytes), c.doubled);
    }
}

TEST(SubkeyNameLength, WesternGroupIsExactlyTheListedLanguages)
{
    const std::uint16_t western[] = {0x00, 0x06, 0x07, 0x09, 0x0A, 0x0B, 0x0C, 0x10, 0x13, 0x14, 0x16, 0x1D};
    int count = 0;
    for (std::uint16_t language = 0; language < 0x400; ++language)
        count += IsWesternPrimaryLanguage(language) ? 1 : 0;
    EXPECT_EQ(count, 12);
    for (std::uint16_t language : western)
        EXPECT_TRUE(IsWesternPrimaryLanguage(language)) << language;
}

}  // namespace
