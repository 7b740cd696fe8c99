// platform/Sound.cpp: asynchronous sound through PlaySoundA.
#include "platform/Sound.h"

#include <windows.h>
#include <mmsystem.h>

void PlaySoundFile(const std::string& path)
{
    PlaySoundA(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
}
