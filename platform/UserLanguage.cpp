// platform/UserLanguage.cpp: the user's default language identifier.
#include "platform/UserLanguage.h"

#include <windows.h>

std::uint16_t UserDefaultLanguage()
{
    return GetUserDefaultLangID();
}
