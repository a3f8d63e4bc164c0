#include "ui/pictures.hpp"

#include <cstdint>

#include "platform/unique_handle.hpp"

namespace setup::ui {
namespace {

// Placeholders of the designed pixel sizes until the real artwork arrives: the banner is
// white over its left two thirds, shading to light blue; the side picture has a blue panel
// down its left side and is white elsewhere.
UniqueBitmap MakePlaceholder(Picture picture) {
    const SIZE size = PictureSize(picture);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return {};
    auto* px = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            std::uint32_t rgb = 0xFFFFFF;
            if (picture == Picture::Banner && x > size.cx * 2 / 3) {
                const int t = (x - size.cx * 2 / 3) * 255 / (size.cx / 3);
                const auto r = static_cast<std::uint32_t>(255 - t * 80 / 255);
                const auto g = static_cast<std::uint32_t>(255 - t * 40 / 255);
                rgb = (r << 16) | (g << 8) | 0xFF;
            } else if (picture == Picture::Side && x < 175) {
                rgb = 0x1F4E9A;
            }
            px[y * size.cx + x] = rgb;
        }
    }
    return bitmap;
}

}  // namespace

SIZE PictureSize(Picture picture) {
    switch (picture) {
        case Picture::Banner: return {500, 59};
        case Picture::Side: return {500, 316};
        case Picture::None: break;
    }
    return {0, 0};
}

HBITMAP PictureBitmap(Picture picture) {
    static UniqueBitmap banner = MakePlaceholder(Picture::Banner);
    static UniqueBitmap side = MakePlaceholder(Picture::Side);
    switch (picture) {
        case Picture::Banner: return banner.get();
        case Picture::Side: return side.get();
        case Picture::None: break;
    }
    return nullptr;
}

}  // namespace setup::ui
