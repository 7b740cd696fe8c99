// platform/Sound.h: plays a wave file in the background, and stops it.
#pragma once

#include <string>

// Returns at once. A missing or unplayable file lets the system play its
// default sound instead; on a drive without a disc nothing plays.
void PlaySoundFile(const std::string& path);

// Stops the sound playing, if any, and returns once its background thread is done with it.
void StopSound();
