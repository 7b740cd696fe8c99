// platform/Sound.cpp: asynchronous sound through winmm's PlaySoundA, winmm taken from the system folder.
#include "platform/Sound.h"

#include <windows.h>
#include <mmsystem.h>

#include "platform/SystemLibrary.h"

void PlaySoundFile(const std::string& path)
{
    using PlaySoundFn = BOOL(WINAPI*)(LPCSTR, HMODULE, DWORD);
    static const auto playSound = SystemFunction<PlaySoundFn>("winmm.dll", "PlaySoundA");
    // Without winmm no sound plays, as with a missing wave file.
    if (playSound != nullptr)
        playSound(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
}
