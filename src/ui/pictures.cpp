#include "ui/pictures.hpp"

#include <objbase.h>
#include <wincodec.h>

#include "platform/com_ptr.hpp"
#include "platform/unique_handle.hpp"
#include "ui/resource_ids.h"

namespace setup::ui {
namespace {

// The pictures are first wanted while a window loads, on the thread that runs the windows;
// keep COM usable there even for a caller that never initialised it.
class ComScope {
public:
    ComScope() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (ok_) ::CoUninitialize();
    }

private:
    bool ok_;
};

int ResourceId(Picture picture) { return picture == Picture::Banner ? IDR_BANNER_PICTURE : IDR_SIDE_PICTURE; }

// Decodes the picture's JPEG from the program's resources with the system's imaging
// component into a top-down 32-bit DIB. No picture (nullptr) if anything fails: the
// window then shows its background colour, as where a picture doesn't reach.
UniqueBitmap Decode(Picture picture) {
    HMODULE self = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(self, MAKEINTRESOURCEW(ResourceId(picture)), MAKEINTRESOURCEW(10));
    if (!found) return {};
    HGLOBAL loaded = ::LoadResource(self, found);
    const DWORD size = ::SizeofResource(self, found);
    auto* bytes = static_cast<BYTE*>(loaded ? ::LockResource(loaded) : nullptr);
    if (!bytes || size == 0) return {};

    ComScope com;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  factory.put_void())) ||
        FAILED(factory->CreateStream(stream.put())) || FAILED(stream->InitializeFromMemory(bytes, size)) ||
        FAILED(
            factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) || FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height))) {
        return {};
    }
    const SIZE designed = PictureSize(picture);
    if (width != static_cast<UINT>(designed.cx) || height != static_cast<UINT>(designed.cy)) return {};

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = designed.cx;
    info.bmiHeader.biHeight = -designed.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return {};
    const UINT stride = width * 4;
    if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) return {};
    ::GdiFlush();
    return bitmap;
}

}  // namespace

SIZE PictureSize(Picture picture) {
    switch (picture) {
        case Picture::Banner:
            return {500, 59};
        case Picture::Side:
            return {500, 316};
        case Picture::None:
            break;
    }
    return {0, 0};
}

HBITMAP PictureBitmap(Picture picture) {
    switch (picture) {
        case Picture::Banner: {
            static UniqueBitmap banner = Decode(Picture::Banner);
            return banner.get();
        }
        case Picture::Side: {
            static UniqueBitmap side = Decode(Picture::Side);
            return side.get();
        }
        case Picture::None:
            break;
    }
    return nullptr;
}

}  // namespace setup::ui
