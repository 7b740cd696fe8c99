// core/RegistryPath.h: how the registry accessor resolves a key path against its root or current key.
#pragma once

#include <string>

struct ResolvedKeyPath {
    bool fromCurrentKey;  // relative to the open current key; else from the root key
    std::string path;     // the path with a leading backslash dropped
};

// A non-empty path starting with "\" is absolute; any other path is taken from
// the current key when one is open, else from the root key.
ResolvedKeyPath ResolveKeyPath(const std::string& path, bool currentKeyOpen);

// The current path after a key named by `resolved` was opened.
std::string JoinCurrentPath(const std::string& currentPath, const ResolvedKeyPath& resolved);
