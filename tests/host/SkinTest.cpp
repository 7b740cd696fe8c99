// tests/host/SkinTest.cpp: the skin pair a user language gets.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/Skin.h"

namespace {

std::string BackFor(std::uint16_t languageId) { return SkinFilesFor(IsKoreanLanguage(languageId)).back; }

TEST(Skin, KoreanAndKoreanJohabGetTheKoreanPairEveryOtherLanguageTheEnglishOne)
{
    for (std::uint16_t korean : {0x0412, 0x0812})
        EXPECT_EQ(BackFor(korean), "Autorun\\Korean\\ZoBack_Kor.bmp") << std::hex << korean;
    // English, Japanese, the Korean primary language with a neutral sublanguage, Chinese, none.
    for (std::uint16_t other : {0x0409, 0x0411, 0x0012, 0x0804, 0x0000})
        EXPECT_EQ(BackFor(other), "Autorun\\English\\ZoBack_Eng.bmp") << std::hex << other;
    EXPECT_STREQ(SkinFilesFor(true).fore, "Autorun\\Korean\\ZoFore_Kor.bmp");
    EXPECT_STREQ(SkinFilesFor(false).fore, "Autorun\\English\\ZoFore_Eng.bmp");
}

}  // namespace
