// platform/Gdi.cpp: GDI handle owners and their live count.
#include "platform/Gdi.h"

#include <utility>

namespace {
long liveObjects = 0;

void Track(const void* handle, long delta)
{
    if (handle != nullptr)
        liveObjects += delta;
}
}  // namespace

long GdiLiveObjects() { return liveObjects; }

GdiBitmap::GdiBitmap(HBITMAP handle) : handle_(handle) { Track(handle_, +1); }

GdiBitmap::~GdiBitmap()
{
    if (handle_ != nullptr) {
        DeleteObject(handle_);
        Track(handle_, -1);
    }
}

GdiBitmap::GdiBitmap(GdiBitmap&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }

GdiBitmap& GdiBitmap::operator=(GdiBitmap&& other) noexcept
{
    GdiBitmap old(std::move(*this));
    handle_ = other.handle_;
    other.handle_ = nullptr;
    return *this;
}

HBITMAP GdiBitmap::Detach()
{
    Track(handle_, -1);
    return std::exchange(handle_, nullptr);
}

GdiFont::GdiFont(HFONT handle) : handle_(handle) { Track(handle_, +1); }

GdiFont::~GdiFont()
{
    if (handle_ != nullptr) {
        DeleteObject(handle_);
        Track(handle_, -1);
    }
}

WindowDC::WindowDC(HWND window) : window_(window), dc_(GetDC(window)) { Track(dc_, +1); }

WindowDC::~WindowDC()
{
    if (dc_ != nullptr) {
        ReleaseDC(window_, dc_);
        Track(dc_, -1);
    }
}

MemoryDC::MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) { Track(dc_, +1); }

MemoryDC::~MemoryDC()
{
    if (dc_ != nullptr) {
        DeleteDC(dc_);
        Track(dc_, -1);
    }
}
