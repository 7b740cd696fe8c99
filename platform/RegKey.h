// platform/RegKey.h: owner of one open registry key, and the count of keys open through it.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace regkey_detail {
// Keys opened through RegKey and not yet closed; UI thread only.
inline int openKeys = 0;
}

// Number of registry keys opened through the platform layer and still open.
inline int OpenRegistryKeyCount() { return regkey_detail::openKeys; }

class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    RegKey& operator=(RegKey&& other) noexcept
    {
        if (this != &other) {
            Close();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }

    // RegOpenKeyExA; an empty key on failure.
    static RegKey Open(HKEY base, const std::string& path, REGSAM access)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(base, path.c_str(), 0, access, &key) != ERROR_SUCCESS)
            return RegKey();
        return RegKey(key);
    }

    // RegCreateKeyExA: opens the key, creating it and any missing parents.
    static RegKey Create(HKEY base, const std::string& path, REGSAM access)
    {
        HKEY key = nullptr;
        if (RegCreateKeyExA(base, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return RegKey();
        return RegKey(key);
    }

    HKEY Get() const { return key_; }
    bool IsOpen() const { return key_ != nullptr; }

    void Close()
    {
        if (key_ == nullptr)
            return;
        RegCloseKey(key_);
        key_ = nullptr;
        --regkey_detail::openKeys;
    }

    void Swap(RegKey& other) noexcept { std::swap(key_, other.key_); }

private:
    explicit RegKey(HKEY key) : key_(key) { ++regkey_detail::openKeys; }

    HKEY key_ = nullptr;
};
