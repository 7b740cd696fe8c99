// platform/UserLanguage.h: the language of the user's default locale.
#pragma once

#include <cstdint>

std::uint16_t UserDefaultLanguage();
