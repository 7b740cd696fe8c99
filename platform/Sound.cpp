// platform/Sound.cpp: asynchronous sound through winmm's PlaySoundA, winmm taken from the system folder.
#include "platform/Sound.h"

#include <windows.h>
#include <mmsystem.h>

#include "platform/ErrorMode.h"
#include "platform/SystemLibrary.h"

namespace {

using PlaySoundFn = BOOL(WINAPI*)(LPCSTR, HMODULE, DWORD);

// Looked up at the first sound, so a run without one never loads winmm; null without winmm.
PlaySoundFn PlaySoundFunction()
{
    static const auto playSound = SystemFunction<PlaySoundFn>("winmm.dll", "PlaySoundA");
    return playSound;
}

bool soundStarted = false;

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
    // Without winmm no sound plays, as with a missing wave file.
    const PlaySoundFn playSound = PlaySoundFunction();
    if (playSound == nullptr || DriveHasNoDisc(path))
        return;
    soundStarted = true;
    playSound(path.c_str(), nullptr, SND_FILENAME | SND_ASYNC);
}

void StopSound()
{
    if (soundStarted)
        PlaySoundFunction()(nullptr, nullptr, 0);
}
