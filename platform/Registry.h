// platform/Registry.h: TRegistry, the registry accessor of the driver removal handlers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/RegKey.h"
#include "core/RegistryPath.h"
#include "core/RegistryValue.h"

// Holds a root key, an access mask and at most one open current key. A path
// starting with "\" is taken from the root key; any other path from the
// current key when one is open, else from the root key.
class TRegistry {
public:
    explicit TRegistry(REGSAM access);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // A different root closes the current key; the same root changes nothing.
    void UseRootKey(HKEY key);
    void CloseCurrentKey();
    // Deletes the key and every key below it; false when the key itself
    // could not be deleted (a missing key included).
    bool DeleteKeyTree(const std::string& path);
    // Opens the key, creating it when missing, and makes it the current key.
    bool OpenOrCreateKey(const std::string& path);
    // Opens an existing key and makes it the current key; false, with the current key kept, when it cannot.
    bool OpenKey(const std::string& path);
    // The names of the current key's subkeys.
    std::vector<std::string> SubkeyNames() const;
    // Raises ERegistryException unless the value is a REG_DWORD.
    std::int32_t ReadIntegerValue(const std::string& name) const;
    // A value of the current key as stored; Other with no bytes when it cannot be read.
    StoredValue ReadStoredValue(const std::string& name) const;

    HKEY RootKey() const { return rootKey_; }
    HKEY CurrentKey() const { return currentKey_.Get(); }
    const std::string& CurrentPath() const { return currentPath_; }

private:
    HKEY BaseKey(const ResolvedKeyPath& resolved) const;
    bool MakeCurrentKey(const std::string& path, bool create);
    void DeleteSubkeysOfCurrentKey();

    RegKey currentKey_;
    HKEY rootKey_ = HKEY_CURRENT_USER;
    std::string currentPath_;
    REGSAM access_;
};
