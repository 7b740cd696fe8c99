// platform/Sound.h: plays a wave file in the background.
#pragma once

#include <string>

// Returns at once. A missing or unplayable file lets the system play its
// default sound instead; on a drive without a disc nothing plays.
void PlaySoundFile(const std::string& path);
