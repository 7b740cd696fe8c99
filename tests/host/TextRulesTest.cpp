// tests/host/TextRulesTest.cpp: title derivation and the error box's period rule, with single- and double-byte text.
#include <gtest/gtest.h>

#include "core/PeriodRule.h"
#include "core/Title.h"

namespace {

// Lead bytes as in code page 932, where a trail byte can be 0x5C or 0x2E.
bool ShiftJisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

struct TitleCase {
    const char* path;
    const char* title;
    std::size_t lowerFrom;
};

TEST(Title, TakesTheFileNameUpToItsFirstDot)
{
    const TitleCase cases[] = {
        {"D:\\LAUNCH.EXE", "LAUNCH", 1},
        {"C:\\Media\\SETUPMENU.X.EXE", "SETUPMENU", 1},
        {"Z:\\tmp\\a.b\\Menu.Setup.exe", "Menu", 1},
        {"NoFolder", "NoFolder", 1},
        {"C:\\dir\\.hidden", "", 0},
        {"C:\\dir\\", "", 0},
    };
    for (const TitleCase& c : cases) {
        const TitleParts parts = SplitTitle(c.path, NoLeadBytes);
        EXPECT_EQ(parts.text, c.title) << c.path;
        EXPECT_EQ(parts.lowerFrom, c.lowerFrom) << c.path;
    }
}

TEST(Title, DoubleByteTrailBytesAreNeitherBackslashNorDot)
{
    // 0x95 0x5C and 0x83 0x2E are single characters in code page 932.
    const std::string path = "C:\\x\\\x95\x5C" "ab\x83\x2E" "c.exe";
    const TitleParts parts = SplitTitle(path, ShiftJisLead);
    EXPECT_EQ(parts.text, "\x95\x5C" "ab\x83\x2E" "c");
    EXPECT_EQ(parts.lowerFrom, 2u);  // the first character is two bytes long

    // Read byte-wise, the same path is cut at the trail bytes.
    EXPECT_EQ(SplitTitle(path, NoLeadBytes).text, "ab\x83");
}

TEST(PeriodRule, AddsAPeriodOnlyAfterCharactersSortingAboveTheDot)
{
    const struct {
        const char* message;
        const char* shown;
    } cases[] = {
        {"", ""},
        {"Stream read error", "Stream read error."},
        {"Failed to get data for 'Welcome'", "Failed to get data for 'Welcome'"},
        {"Code (5)", "Code (5)"},
        {"Really?", "Really?."},
        {"Ends in 7", "Ends in 7."},
        {"path/", "path/."},
        {"colon:", "colon:."},
        {"done.", "done."},
        {"dash-", "dash-"},
        {"space ", "space "},
        {"quote\"", "quote\""},
        {"line\r\n", "line\r\n"},
        {"high \xE9", "high \xE9."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithClosingPeriod(c.message, NoLeadBytes), c.shown) << c.message;
}

TEST(PeriodRule, ADoubleByteCharacterCountsAsOneAndGetsAPeriod)
{
    // The trail byte 0x2E alone would suppress the period.
    EXPECT_EQ(WithClosingPeriod("x\x83\x2E", ShiftJisLead), "x\x83\x2E.");
    EXPECT_EQ(WithClosingPeriod("x\x83\x2E", NoLeadBytes), "x\x83\x2E");
}

}  // namespace
