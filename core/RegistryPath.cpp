// core/RegistryPath.cpp: key path resolution, free of registry calls.
#include "core/RegistryPath.h"

ResolvedKeyPath ResolveKeyPath(const std::string& path, bool currentKeyOpen)
{
    if (!path.empty() && path[0] == '\\')
        return {false, path.substr(1)};
    return {currentKeyOpen, path};
}

std::string JoinCurrentPath(const std::string& currentPath, const ResolvedKeyPath& resolved)
{
    if (resolved.fromCurrentKey)
        return currentPath + "\\" + resolved.path;
    return resolved.path;
}
