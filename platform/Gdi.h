// platform/Gdi.h: non-copyable owners of GDI handles: bitmaps, device contexts, a selected object.
#pragma once

#include <windows.h>

// Live GDI objects and DCs made through these owners, for leak checks.
long GdiLiveObjects();

class GdiBitmap {
public:
    GdiBitmap() = default;
    explicit GdiBitmap(HBITMAP handle);
    ~GdiBitmap();
    GdiBitmap(GdiBitmap&& other) noexcept;
    GdiBitmap& operator=(GdiBitmap&& other) noexcept;
    GdiBitmap(const GdiBitmap&) = delete;
    GdiBitmap& operator=(const GdiBitmap&) = delete;

    HBITMAP Get() const { return handle_; }
    HBITMAP Detach();

private:
    HBITMAP handle_ = nullptr;
};

class GdiFont {
public:
    explicit GdiFont(HFONT handle);
    ~GdiFont();
    GdiFont(const GdiFont&) = delete;
    GdiFont& operator=(const GdiFont&) = delete;
    HFONT Get() const { return handle_; }

private:
    HFONT handle_;
};

// A window's (or, with no window, the screen's) DC, released on scope exit.
class WindowDC {
public:
    explicit WindowDC(HWND window);
    ~WindowDC();
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A memory DC compatible with another, deleted on scope exit.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith);
    ~MemoryDC();
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back on scope exit,
// so nothing is deleted while still selected.
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
