// platform/PngDecoder.cpp: PNG decoding through WIC, with COM and ole32 taken up only for as long as it lasts.
#include "platform/PngDecoder.h"

#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include "core/BitmapFormat.h"
#include "platform/SystemLibrary.h"

using Microsoft::WRL::ComPtr;

namespace {

ComPtr<IWICFormatConverter> Converted(IWICImagingFactory& factory, IWICBitmapSource* source, REFWICPixelFormatGUID format)
{
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory.CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(source, format, WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return nullptr;
    return converter;
}

ComPtr<IWICFormatConverter> OpenAsBgr(IWICImagingFactory& factory, const void* data, std::size_t size, int width,
                                      int height)
{
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT frameWidth = 0;
    UINT frameHeight = 0;
    if (FAILED(factory.CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), static_cast<DWORD>(size))) ||
        FAILED(factory.CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(frame->GetSize(&frameWidth, &frameHeight)) ||
        frameWidth != static_cast<UINT>(width) || frameHeight != static_cast<UINT>(height))
        return nullptr;
    // Palette PNGs go by way of 32-bit pixels: Wine's converter cannot turn palette indices into 24-bit ones.
    ComPtr<IWICFormatConverter> wide = Converted(factory, frame.Get(), GUID_WICPixelFormat32bppBGR);
    return wide ? Converted(factory, wide.Get(), GUID_WICPixelFormat24bppBGR) : nullptr;
}

GdiBitmap Decode(IWICImagingFactory& factory, const void* data, std::size_t size, int width, int height)
{
    ComPtr<IWICFormatConverter> pixels = OpenAsBgr(factory, data, size, width, height);
    if (!pixels)
        return GdiBitmap();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, the order WIC delivers the rows in
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    GdiBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const auto stride = static_cast<UINT>(DibRowBytes(width, 24));
    if (bits == nullptr || FAILED(pixels->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits))))
        return GdiBitmap();
    GdiFlush();
    return bitmap;
}

}  // namespace

GdiBitmap DecodePng(const void* data, std::size_t size, int width, int height)
{
    // Not imported: ole32 and WIC are loaded only on the rare start that needs them.
    static const auto initialize = SystemFunction<decltype(&CoInitializeEx)>("ole32.dll", "CoInitializeEx");
    static const auto uninitialize = SystemFunction<decltype(&CoUninitialize)>("ole32.dll", "CoUninitialize");
    static const auto createInstance = SystemFunction<decltype(&CoCreateInstance)>("ole32.dll", "CoCreateInstance");
    if (!initialize || !uninitialize || !createInstance || FAILED(initialize(nullptr, COINIT_APARTMENTTHREADED)))
        return GdiBitmap();
    GdiBitmap bitmap;
    {
        ComPtr<IWICImagingFactory> factory;
        if (SUCCEEDED(createInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
            bitmap = Decode(*factory.Get(), data, size, width, height);
    }  // every interface is released before COM is
    uninitialize();
    return bitmap;
}
