// tools/probe/Handles.h: small non-copyable owners for the Win32 handles the probe opens.
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
struct DeleteGdiObject {
    void operator()(HGDIOBJ o) const { DeleteObject(o); }
};
struct DeleteMemoryDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};

using KernelHandle = Owned<HANDLE, CloseKernelHandle>;
using RegKey = Owned<HKEY, CloseRegKey>;
using GdiBitmap = Owned<HBITMAP, DeleteGdiObject>;
using MemoryDc = Owned<HDC, DeleteMemoryDc>;

// The screen's device context, released on destruction.
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc()
    {
        if (dc_) {
            ReleaseDC(nullptr, dc_);
        }
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;

    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a DC and restores the previous one on scope exit.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelect() { SelectObject(dc_, previous_); }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};
