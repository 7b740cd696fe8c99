// tools/probe/Handles.h: small non-copyable owners for the kernel and registry handles the probe opens.
#pragma once

#include <windows.h>

// Owns a handle and releases it with Close on destruction.
template <typename T, typename Close>
class Owned {
public:
    explicit Owned(T handle = T()) : handle_(handle) {}
    ~Owned()
    {
        if (handle_) {
            Close()(handle_);
        }
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    T Get() const { return handle_; }
    T* Out() { return &handle_; }
    explicit operator bool() const { return handle_ != T(); }

private:
    T handle_;
};

struct CloseKernelHandle {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
struct CloseRegKey {
    void operator()(HKEY k) const { RegCloseKey(k); }
};
using KernelHandle = Owned<HANDLE, CloseKernelHandle>;
using RegKey = Owned<HKEY, CloseRegKey>;
