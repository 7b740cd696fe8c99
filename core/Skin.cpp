// core/Skin.cpp: the skin pairs and the language that chooses between them.
#include "core/Skin.h"

namespace {
constexpr SkinFiles kKoreanSkin = {"Autorun\\Korean\\ZoBack_Kor.bmp", "Autorun\\Korean\\ZoFore_Kor.bmp"};
constexpr SkinFiles kEnglishSkin = {"Autorun\\English\\ZoBack_Eng.bmp", "Autorun\\English\\ZoFore_Eng.bmp"};
}  // namespace

bool IsKoreanLanguage(std::uint16_t languageId) { return languageId == 0x0412 || languageId == 0x0812; }

const SkinFiles& SkinFilesFor(bool korean) { return korean ? kKoreanSkin : kEnglishSkin; }
