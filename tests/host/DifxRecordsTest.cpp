// tests/host/DifxRecordsTest.cpp: strings of registry values, the maker's name search and which services go.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/DifxRecords.h"
#include "core/RegistryValue.h"

namespace {

using Strings = std::vector<std::string>;

// Lead bytes as in code page 949, where a trail byte can be an ASCII letter.
bool KoreanLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

std::string Bytes(const char* data, std::size_t size) { return std::string(data, size); }

TEST(RegistryValue, StringsStopAtTheirNulOrAtTheEndOfTheBytes)
{
    const struct {
        ValueShape shape;
        std::string bytes;
        bool listAccepted;
        Strings strings;
    } cases[] = {
        {ValueShape::Text, Bytes("Veltrana\0", 9), false, {"Veltrana"}},
        {ValueShape::Text, "no NUL", true, {"no NUL"}},
        {ValueShape::Text, Bytes("a\0b\0", 4), true, {"a"}},
        {ValueShape::Text, "", false, {""}},
        {ValueShape::TextList, Bytes("vtquill\0vtfilter\0\0", 18), true, {"vtquill", "vtfilter"}},
        {ValueShape::TextList, Bytes("a\0b", 3), true, {"a", "b"}},
        {ValueShape::TextList, Bytes("a\0\0b\0\0", 6), true, {"a"}},
        {ValueShape::TextList, Bytes("\0a\0", 3), true, {}},
        {ValueShape::TextList, "", true, {}},
        {ValueShape::TextList, Bytes("Veltrana\0\0", 10), false, {}},
        {ValueShape::Other, "Veltrana", true, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValueStrings({c.shape, c.bytes}, c.listAccepted), c.strings) << testing::PrintToString(c.bytes);
}

TEST(DifxRecords, TheMakersNameIsFoundInAnyCaseAndOnlyOnACharacter)
{
    const struct {
        Strings texts;
        bool named;
    } cases[] = {
        {{"Veltrana"}, true},
        {{"VELTRANA Co., Ltd."}, true},
        {{"Other Vendor", "vtquill TV card by veltRANA"}, true},
        {{"Veltran", "a"}, false},
        {{"Weltrana", "veltrama"}, false},
        {{}, false},
        // 0x81 'V' is one character here: the bytes "Veltrana" after it do not start on a character.
        {{"\x81Veltrana"}, false},
        {{"\x81xVeltrana"}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NamesMaker(c.texts, KoreanLead), c.named) << testing::PrintToString(c.texts);
    EXPECT_TRUE(NamesMaker({"\x81Veltrana"}, NoLeadBytes));
}

TEST(DifxRecords, AServiceGoesOnlyWhenNoRemainingPackageListsIt)
{
    const struct {
        Strings keys;
        Strings deleted;
        Strings remaining;
        Strings gone;
    } cases[] = {
        {{"vtquill", "vtfilter", "othersvc"}, {"vtquill", "vtfilter"}, {"othersvc", "VTFILTER"}, {"vtquill"}},
        {{"VtQuill", "vtonyx"}, {"VTQUILL", "vtonyx", "vtonyx", "notthere"}, {}, {"VtQuill", "vtonyx"}},
        {{"vtquill", "vtquill2"}, {"vtquill2"}, {"vtquill"}, {"vtquill2"}},
        {{"vtquill"}, {}, {}, {}},
        // 0x81 'A' and 0x81 'a' are two different characters.
        {{"\x81" "A"}, {"\x81" "a"}, {}, {}},
        {{"\x81" "A"}, {"\x81" "A"}, {"\x81" "a"}, {"\x81" "A"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ServicesToDelete(c.keys, c.deleted, c.remaining, KoreanLead), c.gone)
            << testing::PrintToString(c.keys);
}

}  // namespace
