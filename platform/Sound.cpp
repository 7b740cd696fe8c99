// platform/Sound.cpp: asynchronous sound through winmm's PlaySoundA, winmm taken from the system folder.
#include "platform/Sound.h"

#include <windows.h>
#include <mmsystem.h>

#include "platform/ErrorMode.h"
#include "platform/SystemLibrary.h"

namespace {

// PlaySoundA opens the file later, on a winmm thread of its own, where this thread's error mode does not
// apply: with the disc taken out, that thread would raise the system's "no disk" box. The file is looked up
// here first, and the sound skipped only when the drive has no disc; a missing file still goes to PlaySoundA.
bool DriveHasNoDisc(const std::string& path)
{
    const CriticalErrorsFail quiet;
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_NOT_READY;
}

}  // namespace

void PlaySoundFile(const std::string& path)
{
    using PlaySoundFn = BOOL(WINAPI*)(LPCSTR, HMODULE, DWORD);
    static const auto playSound = SystemFunction<PlaySoundFn>("winmm.dll", "PlaySoundA");
    // Without winmm no sound plays, as with a missing wave file.
    if (playSound != nullptr && !DriveHasNoDisc(path))
        playSound(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
}
