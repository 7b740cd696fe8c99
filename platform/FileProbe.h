// platform/FileProbe.h: whether a directory entry of a name exists.
#pragma once

#include <string>

bool FileExists(const std::string& path);
